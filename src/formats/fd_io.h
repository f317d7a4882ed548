// The few system calls on descriptors that every part of the tool shares, each in one
// place: a write that goes on until everything is written, a read, a look at a file, the
// screen of what an open found, and the retry of a call that a signal interrupted.
#ifndef KORVANEX_FORMATS_FD_IO_H_
#define KORVANEX_FORMATS_FD_IO_H_

#include <errno.h>
#include <fcntl.h>
#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>

#include "formats/outcome.h"

namespace korvanex {

// Makes a system call again for as long as a signal interrupts it; returns what it last
// returned, with errno as the call left it.
template <typename Call>
auto RetryOnSignal(Call call) {
  for (;;) {
    const auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

// Writes all `size` bytes, at the descriptor's position or, with `offset` >= 0, at that
// offset. Returns the error number of a failure (101 for a write that wrote nothing). An
// interrupted write is taken up again; a partial write goes on with the rest. `*written`,
// when given, says how many bytes went in, also when the write failed part-way.
Outcome WriteFully(int fd, const void* data, size_t size, off_t offset = -1,
                   size_t* written = nullptr);

// Reads up to `size` bytes at `offset`, going on after short reads until the end of the
// file. Sets `*got` to the number read. Returns the error number of a failure; unlike a
// write, an interrupted read counts as a failed one, which the run reports.
Outcome ReadFullyAt(int fd, void* data, size_t size, off_t offset, size_t* got);

// What a look at a file shows: its type and mode bits (st_mode), which file it is, its
// size and when it last changed.
struct FileStamp {
  mode_t mode = 0;
  dev_t device = 0;
  ino_t inode = 0;
  int64_t size = 0;
  timespec modified = {};
  timespec changed = {};
};

// The stamp of the file that `path` names now, from the directory `fd` (AT_FDCWD for the
// current one), links followed; without a path, of the open descriptor `fd` itself.
Outcome StampAt(int fd, const char* path, FileStamp* stamp);

// Keeps an open descriptor only where it refers to a regular file or, with `streams`, to
// anything but a directory (a FIFO, a socket, a device). Otherwise it is closed, with error
// 100 for a file of another kind and the system's error where the look failed. `*stamp` is
// what the look showed.
Outcome ScreenOpenFile(int fd, bool streams, FileStamp* stamp);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_FD_IO_H_
