// Test-only library, loaded with LD_PRELOAD into the tool, that makes one chosen file
// operation fail. Configured by the environment:
//   KORVANEX_FAULT_FILE     the file, by the end of its path ("mbases.dat"); with a
//                           leading "*", any path that holds the rest ("*korvanex.cfg")
//   KORVANEX_FAULT_OP       open, read, write, lseek, fstat, fstatat, ftruncate, fsync or
//                           fdatasync (read and write include their positioned forms;
//                           fstatat is counted, like open, by path), or a list of them
//                           ("fstat,write"), or new: the Nth allocation of the program
//                           finds no memory
//   KORVANEX_FAULT_NTH      which call of those operations on that file fails, from 1;
//                           0 for every call (with a signal: a stop at each one)
//   KORVANEX_FAULT_ERRNO    the errno it fails with; 0 makes a read return end of file
//   KORVANEX_FAULT_PARTIAL  writes only: the Nth write puts only this many bytes and
//                           returns that count, and the write after it fails
//   KORVANEX_FAULT_SIGNAL   instead of failing, the Nth call sends the process this signal
//                           and goes on as usual (a write with KORVANEX_FAULT_PARTIAL
//                           then stops short); an open sends it once the file is open,
//                           any other call before it acts
// Opens are counted over every path that ends in the suffix; the other operations over the
// descriptors such opens returned.
//   KORVANEX_FAULT_REFUSE   besides the one fault, operations that a file system lacks:
//                           a list of op:errno ("fchmod:38,link:1,renameat2:22") whose
//                           ops, of fchmod, link and renameat2, then always fail
//                           with that errno, whatever the path
//   KORVANEX_FAULT_CLOCK_SKEW  seconds added to every reading of the real-time clock
// Both the plain and the 64-bit names are interposed, so the headers must not map one onto
// the other as the build's 64-bit offsets and times would.
#undef _FILE_OFFSET_BITS
#undef _TIME_BITS
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <new>

namespace {

enum Op { kOpen, kRead, kWrite, kLseek, kFstat, kFstatat, kFtruncate, kFsync, kFdatasync, kNew };
constexpr const char* kOpNames[] = {"open",    "read",      "write", "lseek",     "fstat",
                                    "fstatat", "ftruncate", "fsync", "fdatasync", "new"};

constexpr int kMaxFd = 4096;

struct Config {
  bool loaded = false;
  const char* suffix = nullptr;
  int ops = 0;  // a bit for each Op
  long nth = 0;
  int error = 0;
  long partial = -1;
  int signal_number = 0;
  long calls = 0;
  bool matched[kMaxFd] = {};
};

Config config;

long EnvNumber(const char* name, long fallback) {
  const char* text = getenv(name);
  return text != nullptr && *text != '\0' ? strtol(text, nullptr, 10) : fallback;
}

Config& Get() {
  if (!config.loaded) {
    config.loaded = true;
    config.suffix = getenv("KORVANEX_FAULT_FILE");
    for (const char* op = getenv("KORVANEX_FAULT_OP"); op != nullptr && *op != '\0';) {
      const size_t length = strcspn(op, ",");
      for (int i = kOpen; i <= kNew; ++i) {
        if (strlen(kOpNames[i]) == length && strncmp(op, kOpNames[i], length) == 0) {
          config.ops |= 1 << i;
        }
      }
      op += length + (op[length] == ',' ? 1 : 0);
    }
    config.nth = EnvNumber("KORVANEX_FAULT_NTH", 1);
    config.error = static_cast<int>(EnvNumber("KORVANEX_FAULT_ERRNO", EIO));
    config.partial = EnvNumber("KORVANEX_FAULT_PARTIAL", -1);
    config.signal_number = static_cast<int>(EnvNumber("KORVANEX_FAULT_SIGNAL", 0));
  }
  return config;
}

bool PathMatches(const char* path) {
  const Config& c = Get();
  if (c.suffix == nullptr || path == nullptr) return false;
  if (c.suffix[0] == '*') return strstr(path, c.suffix + 1) != nullptr;
  const size_t length = strlen(path), suffix_length = strlen(c.suffix);
  return length >= suffix_length && strcmp(path + length - suffix_length, c.suffix) == 0;
}

bool FdMatches(int fd) { return fd >= 0 && fd < kMaxFd && Get().matched[fd]; }

// Counts one call of `op` on the chosen file; true when this call is the chosen one.
bool IsChosenCall(Op op) {
  Config& c = Get();
  return (c.ops & 1 << op) != 0 && (++c.calls == c.nth || c.nth == 0);
}

// The same for a call that fails when chosen. With a signal to send, the call sends it
// and is not failed, but for a write that is to stop short.
bool CountCall(Op op) {
  if (!IsChosenCall(op)) return false;
  if (Get().signal_number == 0) return true;
  kill(getpid(), Get().signal_number);
  return op == kWrite && Get().partial >= 0;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int TrackOpen(const char* path, int fd) {
  if (fd >= 0 && fd < kMaxFd) Get().matched[fd] = PathMatches(path);
  return fd;
}

// The shared part of every open: fails the chosen one, otherwise opens and tracks.
// A signal comes once the file is open, so that the process stops or ends with it there.
template <typename F, typename... Args>
int DoOpen(const char* name, const char* path, Args... args) {
  const bool chosen = PathMatches(path) && IsChosenCall(kOpen);
  if (chosen && Get().signal_number == 0) {
    errno = Get().error;
    return -1;
  }
  const int fd = TrackOpen(path, Next<F>(name)(args...));
  if (chosen) kill(getpid(), Get().signal_number);
  return fd;
}

// Sets errno and returns true when KORVANEX_FAULT_REFUSE lists `op`.
bool Refused(const char* op) {
  const char* list = getenv("KORVANEX_FAULT_REFUSE");
  const char* at = list != nullptr ? strstr(list, op) : nullptr;
  if (at == nullptr || at[strlen(op)] != ':') return false;
  errno = atoi(at + strlen(op) + 1);
  return true;
}

mode_t ModeArgument(int flags, va_list list) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(list, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list list;
  va_start(list, flags);
  const mode_t mode = ModeArgument(flags, list);
  va_end(list);
  using F = int (*)(const char*, int, mode_t);
  return DoOpen<F>("open", path, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list list;
  va_start(list, flags);
  const mode_t mode = ModeArgument(flags, list);
  va_end(list);
  using F = int (*)(const char*, int, mode_t);
  return DoOpen<F>("open64", path, path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list list;
  va_start(list, flags);
  const mode_t mode = ModeArgument(flags, list);
  va_end(list);
  using F = int (*)(int, const char*, int, mode_t);
  return DoOpen<F>("openat", path, dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
  va_list list;
  va_start(list, flags);
  const mode_t mode = ModeArgument(flags, list);
  va_end(list);
  using F = int (*)(int, const char*, int, mode_t);
  return DoOpen<F>("openat64", path, dir, path, flags, mode);
}

int __open_2(const char* path, int flags) {
  using F = int (*)(const char*, int);
  return DoOpen<F>("__open_2", path, path, flags);
}

int __open64_2(const char* path, int flags) {
  using F = int (*)(const char*, int);
  return DoOpen<F>("__open64_2", path, path, flags);
}

int close(int fd) {
  if (fd >= 0 && fd < kMaxFd) Get().matched[fd] = false;
  return Next<int (*)(int)>("close")(fd);
}

ssize_t read(int fd, void* buffer, size_t count) {
  if (FdMatches(fd) && CountCall(kRead)) {
    if (Get().error == 0) return 0;
    errno = Get().error;
    return -1;
  }
  return Next<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, count);
}

ssize_t write(int fd, const void* buffer, size_t count) {
  using F = ssize_t (*)(int, const void*, size_t);
  if (FdMatches(fd) && CountCall(kWrite)) {
    Config& c = Get();
    if (c.partial >= 0) {
      // This write stops short; the next one on the file fails.
      const size_t part =
          count < static_cast<size_t>(c.partial) ? count : static_cast<size_t>(c.partial);
      c.partial = -1;
      c.signal_number = 0;
      c.nth = c.calls + 1;
      return Next<F>("write")(fd, buffer, part);
    }
    errno = c.error;
    return -1;
  }
  return Next<F>("write")(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  if (FdMatches(fd) && CountCall(kRead)) {
    if (Get().error == 0) return 0;
    errno = Get().error;
    return -1;
  }
  return Next<ssize_t (*)(int, void*, size_t, off_t)>("pread")(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
  if (FdMatches(fd) && CountCall(kRead)) {
    if (Get().error == 0) return 0;
    errno = Get().error;
    return -1;
  }
  return Next<ssize_t (*)(int, void*, size_t, off64_t)>("pread64")(fd, buffer, count, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  if (FdMatches(fd) && CountCall(kWrite)) {
    errno = Get().error;
    return -1;
  }
  return Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite")(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset) {
  if (FdMatches(fd) && CountCall(kWrite)) {
    errno = Get().error;
    return -1;
  }
  return Next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64")(fd, buffer, count,
                                                                          offset);
}

int ftruncate(int fd, off_t size) {
  if (FdMatches(fd) && CountCall(kFtruncate)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int, off_t)>("ftruncate")(fd, size);
}

int ftruncate64(int fd, off64_t size) {
  if (FdMatches(fd) && CountCall(kFtruncate)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int, off64_t)>("ftruncate64")(fd, size);
}

int fsync(int fd) {
  if (FdMatches(fd) && CountCall(kFsync)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd) {
  if (FdMatches(fd) && CountCall(kFdatasync)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int)>("fdatasync")(fd);
}

off_t lseek(int fd, off_t offset, int whence) {
  if (FdMatches(fd) && CountCall(kLseek)) {
    errno = Get().error;
    return -1;
  }
  return Next<off_t (*)(int, off_t, int)>("lseek")(fd, offset, whence);
}

off64_t lseek64(int fd, off64_t offset, int whence) {
  if (FdMatches(fd) && CountCall(kLseek)) {
    errno = Get().error;
    return -1;
  }
  return Next<off64_t (*)(int, off64_t, int)>("lseek64")(fd, offset, whence);
}

int fstat(int fd, struct stat* status) {
  if (FdMatches(fd) && CountCall(kFstat)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int, struct stat*)>("fstat")(fd, status);
}

int fstatat(int dir, const char* path, struct stat* status, int flags) {
  if (PathMatches(path) && CountCall(kFstatat)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int, const char*, struct stat*, int)>("fstatat")(dir, path, status, flags);
}

int fstatat64(int dir, const char* path, struct stat64* status, int flags) {
  if (PathMatches(path) && CountCall(kFstatat)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int, const char*, struct stat64*, int)>("fstatat64")(dir, path, status,
                                                                           flags);
}

int fstat64(int fd, struct stat64* status) {
  if (FdMatches(fd) && CountCall(kFstat)) {
    errno = Get().error;
    return -1;
  }
  return Next<int (*)(int, struct stat64*)>("fstat64")(fd, status);
}

int fchmod(int fd, mode_t mode) {
  return Refused("fchmod") ? -1 : Next<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int link(const char* from, const char* to) {
  return Refused("link") ? -1 : Next<int (*)(const char*, const char*)>("link")(from, to);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned flags) {
  using F = int (*)(int, const char*, int, const char*, unsigned);
  return Refused("renameat2") ? -1 : Next<F>("renameat2")(from_dir, from, to_dir, to, flags);
}

// A clock that differs from the one that stamps the files, as a file server's may.
int clock_gettime(clockid_t clock, struct timespec* time) {
  const int result = Next<int (*)(clockid_t, struct timespec*)>("clock_gettime")(clock, time);
  if (result == 0 && clock == CLOCK_REALTIME)
    time->tv_sec += EnvNumber("KORVANEX_FAULT_CLOCK_SKEW", 0);
  return result;
}

}  // extern "C"

// Every allocation of the program comes here, so that the chosen one can find no memory:
// then the program's new handler is called, as the standard allocator does.
void* Allocate(size_t size) {
  bool fail = Get().ops == 1 << kNew && ++Get().calls == Get().nth;
  for (;;) {
    if (!fail) {
      if (void* memory = malloc(size == 0 ? 1 : size)) return memory;
    }
    fail = false;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { free(memory); }
void operator delete[](void* memory) noexcept { free(memory); }
void operator delete(void* memory, size_t) noexcept { free(memory); }
void operator delete[](void* memory, size_t) noexcept { free(memory); }
