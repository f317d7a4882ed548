// Runs the programs the import benchmark measures: timed runs with their processor time and
// peak memory, and untimed runs under strace that count their input and output calls.
#ifndef KORVANEX_BENCH_BENCH_RUN_H_
#define KORVANEX_BENCH_BENCH_RUN_H_

#include <string>
#include <vector>

namespace korvanex {

struct RunFigures {
  double seconds = 0;
  double cpu_seconds = 0;  // user + system
  long peak_kilobytes = 0;
};

// Runs `argv` (argv[0] a path, or a name found on PATH) in `dir` with its standard output
// going to `output`. Returns whether it ended with status 0.
bool RunProgram(const std::vector<std::string>& argv, const std::string& dir,
                const std::string& output, RunFigures* figures);

// Copies the file and has the copy on disk before returning, so that a program that syncs
// the file does not pay for writing out the copy.
bool CopyFileSynced(const std::string& from, const std::string& to);

long FileSize(const std::string& path);

// Removes `dir` and everything below it.
void RemoveTree(const std::string& dir);

// The system calls that read or write a file or the console, in the order they are shown.
constexpr const char* kIoCallNames[] = {"read",  "write",  "pread64",  "pwrite64",
                                        "readv", "writev", "preadv",   "pwritev",
                                        "lseek", "fsync",  "fdatasync"};
constexpr size_t kIoCallKinds = sizeof kIoCallNames / sizeof kIoCallNames[0];

struct IoCounts {
  long calls[kIoCallKinds] = {};
  long Total() const;
};

// The full path of strace, or an empty string when PATH has none.
std::string FindStrace();

// Runs `argv` as RunProgram() does, under `strace` counting the calls of kIoCallNames.
bool CountIoCalls(const std::string& strace, const std::vector<std::string>& argv,
                  const std::string& dir, const std::string& output, IoCounts* counts);

}  // namespace korvanex

#endif  // KORVANEX_BENCH_BENCH_RUN_H_
