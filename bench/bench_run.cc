#include "bench_run.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace korvanex {

namespace {

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int RemoveEntry(const char* path, const struct stat*, int, FTW*) { return remove(path); }

// Reads the call counts out of the table that `strace -c` writes: its rows end with the
// name of the call, and the fourth column holds the number of calls.
bool ReadCallTable(const std::string& path, IoCounts* counts) {
  std::ifstream table(path);
  std::string row;
  bool any = false;
  while (std::getline(table, row)) {
    std::istringstream words(row);
    std::vector<std::string> columns;
    for (std::string word; words >> word;) columns.push_back(word);
    if (columns.size() < 5) continue;
    for (size_t kind = 0; kind < kIoCallKinds; ++kind) {
      if (columns.back() == kIoCallNames[kind]) {
        counts->calls[kind] = std::atol(columns[3].c_str());
        any = true;
      }
    }
  }
  return any;
}

}  // namespace

// The runner stays small: a child's peak memory counts what it inherits before exec.
bool RunProgram(const std::vector<std::string>& argv, const std::string& dir,
                const std::string& output, RunFigures* figures) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const double start = Now();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0 || chdir(dir.c_str()) != 0) _exit(127);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage;
  pid_t waited;
  do {
    waited = wait4(pid, &status, 0, &usage);
  } while (waited < 0 && errno == EINTR);
  figures->seconds = Now() - start;
  figures->peak_kilobytes = usage.ru_maxrss;
  figures->cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (waited != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "import_bench: %s in %s did not end with status 0\n", argv[0].c_str(),
                 dir.c_str());
    return false;
  }
  return true;
}

bool CopyFileSynced(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool copied = out >= 0;
  static char buffer[1 << 16];
  while (copied) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    copied = write(out, buffer, static_cast<size_t>(got)) == got;
  }
  close(in);
  if (out >= 0 && (fsync(out) != 0 || close(out) != 0)) copied = false;
  return copied;
}

long FileSize(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : -1;
}

void RemoveTree(const std::string& dir) {
  nftw(dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

long IoCounts::Total() const {
  long total = 0;
  for (long count : calls) total += count;
  return total;
}

std::string FindStrace() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/strace";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

bool CountIoCalls(const std::string& strace, const std::vector<std::string>& argv,
                  const std::string& dir, const std::string& output, IoCounts* counts) {
  std::string calls = "trace=";
  for (const char* name : kIoCallNames) calls += std::string(name) + ",";
  calls.pop_back();
  const std::string table = output + ".calls";
  std::vector<std::string> traced = {strace, "-f", "-c", "-o", table, "-e", calls};
  traced.insert(traced.end(), argv.begin(), argv.end());
  RunFigures ignored;
  *counts = IoCounts();
  if (!RunProgram(traced, dir, output, &ignored)) return false;
  if (!ReadCallTable(table, counts)) {
    std::fprintf(stderr, "import_bench: no call counts in %s\n", table.c_str());
    return false;
  }
  return true;
}

}  // namespace korvanex
