// The floor an import is measured against: the least input and output any importer of an
// area list must do. It reads mbases.dat and the area list in 64 KB blocks; for every line
// whose first non-blank character is "!" it looks once at mbases.dat (one fstatat on its
// directory, the least look that sees a replaced or rewritten file) and writes one 80-byte
// console line; for the first NEW of those lines it then appends a record of 282 bytes in
// one write, before it reads on, as an importer finishes each area before the next; it
// syncs once at the end. It parses nothing more and keeps no index: it is told how many
// areas are new. (A look between two appends costs the file system more than the appends
// alone: a file whose time stamps were looked at takes a finer time stamp at its next
// change, so the appends are not gathered at the end.)
//   import_floor DATA-DIR AREA-LIST NEW
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr size_t kBlockSize = 1 << 16;
constexpr size_t kRecordSize = 282;
constexpr char kLine[] =
    "- Area: A.TAG                                                         Creating\r\n";
static_assert(sizeof kLine - 1 == 80);

char block[kBlockSize];

// Reads the whole file; returns false on a failed read.
bool ReadThrough(int fd) {
  ssize_t got;
  while ((got = read(fd, block, sizeof block)) > 0) {
  }
  return got == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: import_floor DATA-DIR AREA-LIST NEW\n");
    return 2;
  }
  long to_append = std::atol(argv[3]);
  const int dir = open(argv[1], O_PATH | O_DIRECTORY | O_CLOEXEC);
  const int bases = openat(dir, "mbases.dat", O_RDWR | O_APPEND | O_CLOEXEC);
  const int areas = open(argv[2], O_RDONLY | O_CLOEXEC);
  if (dir < 0 || bases < 0 || areas < 0 || !ReadThrough(bases)) return 1;

  bool line_start = true;  // no character but blanks yet on this line
  ssize_t got;
  while ((got = read(areas, block, sizeof block)) > 0) {
    for (ssize_t i = 0; i < got; ++i) {
      const char c = block[i];
      if (c == '\n' || c == '\r') {
        line_start = true;
      } else if (line_start && c != ' ') {
        line_start = false;
        if (c != '!') continue;
        struct stat status;
        if (fstatat(dir, "mbases.dat", &status, 0) != 0 ||
            write(STDOUT_FILENO, kLine, sizeof kLine - 1) != sizeof kLine - 1) {
          return 1;
        }
        // The record's bytes do not matter, only that a whole record goes in one write.
        static const char record[kRecordSize] = {};
        if (to_append > 0 && write(bases, record, kRecordSize) != static_cast<ssize_t>(kRecordSize))
          return 1;
        to_append -= to_append > 0 ? 1 : 0;
      }
    }
  }
  return got == 0 && to_append == 0 && fdatasync(bases) == 0 ? 0 : 1;
}
