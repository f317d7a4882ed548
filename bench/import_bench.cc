// Times the real binary importing generated area lists into generated hosts: every case
// several times, each run from a fresh copy of the generated mbases.dat and with the
// console output going to /dev/null. Prints the median wall time (and, as a figure that a
// busy machine disturbs less, the median processor time), the peak resident memory of the
// runs, and the ratios of median wall and processor times between a case and the one
// before it, which doubles the work.
//   import_bench KORVANEX [RUNS]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_host.h"
#include "formats/base_record.h"

namespace korvanex {
namespace {

// The largest case cannot have half of its 40000 lines new: the tool numbers new bases from
// the record count + 1 and stops at 32767, so 20000 bases leave room for 12767 new ones.
// It lists 12000 new areas and 28000 lines for bases that exist, names coming round again.
const BenchCase kCases[] = {
    {5000, 10000, 5000},
    {10000, 20000, 10000},
    {20000, 40000, 12000},
};

constexpr double kMiddleCaseSeconds = 0.3;
constexpr double kDoublingRatio = 2.3;
constexpr double kLargestPeakMegabytes = 16.0;

struct RunFigures {
  double seconds = 0;
  double cpu_seconds = 0;  // user + system
  long peak_kilobytes = 0;
};

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

bool CopyFile(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool copied = out >= 0;
  char buffer[1 << 16];
  while (copied) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    copied = write(out, buffer, static_cast<size_t>(got)) == got;
  }
  close(in);
  if (out >= 0 && close(out) != 0) copied = false;
  return copied;
}

// Runs the tool once in `dir`. The run's peak memory comes from wait4(); the runner stays
// small, so that what a fresh process inherits before exec does not set the figure.
bool RunOnce(const char* korvanex, const std::string& dir, RunFigures* figures) {
  const double start = Now();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0 || chdir(dir.c_str()) != 0) _exit(127);
    execl(korvanex, korvanex, "host", "AREAS.BBS", static_cast<char*>(nullptr));
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
    std::fprintf(stderr, "import_bench: the run in %s did not end with status 0\n", dir.c_str());
    return false;
  }
  return true;
}

long FileSize(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : -1;
}

struct CaseRuns {
  std::string dir;
  std::vector<double> seconds;
  std::vector<double> cpu_seconds;
  long peak_kilobytes = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool PrepareCase(const std::string& dir, const BenchCase& c) {
  std::string error;
  if (mkdir(dir.c_str(), 0777) != 0 || !MakeBenchHost(dir, c, &error) ||
      !CopyFile(dir + "/host/data/mbases.dat", dir + "/mbases.generated")) {
    std::fprintf(stderr, "import_bench: %s\n", error.empty() ? dir.c_str() : error.c_str());
    return false;
  }
  return true;
}

// One run of a case from a fresh copy of its generated mbases.dat.
bool RunCase(const char* korvanex, const BenchCase& c, CaseRuns* runs) {
  const std::string mbases = runs->dir + "/host/data/mbases.dat";
  RunFigures one;
  if (!CopyFile(runs->dir + "/mbases.generated", mbases) || !RunOnce(korvanex, runs->dir, &one)) {
    return false;
  }
  // A run that stopped early would be fast and wrong.
  const long expected = static_cast<long>(c.existing + c.new_areas) * kBaseRecordSize;
  if (FileSize(mbases) != expected) {
    std::fprintf(stderr, "import_bench: mbases.dat holds %ld bytes after the run, not %ld\n",
                 FileSize(mbases), expected);
    return false;
  }
  runs->seconds.push_back(one.seconds);
  runs->cpu_seconds.push_back(one.cpu_seconds);
  runs->peak_kilobytes = std::max(runs->peak_kilobytes, one.peak_kilobytes);
  return true;
}

void RemoveTree(const std::string& dir) {
  for (const char* name : {"/host/data/mbases.dat", "/host/ostrel.dat", "/AREAS.BBS",
                           "/korvanex.cfg", "/mbases.generated"}) {
    unlink((dir + name).c_str());
  }
  rmdir((dir + "/host/data").c_str());
  rmdir((dir + "/host").c_str());
  rmdir(dir.c_str());
}

int Run(const char* korvanex, int run_count) {
  const char* tmp = std::getenv("TMPDIR");
  std::string scratch =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/korvanex-bench.XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) {
    std::perror("import_bench: mkdtemp");
    return 1;
  }
  const size_t case_count = sizeof kCases / sizeof kCases[0];
  std::vector<CaseRuns> runs(case_count);
  bool ok = true;
  for (size_t i = 0; ok && i < case_count; ++i) {
    runs[i].dir = scratch + "/case" + std::to_string(i + 1);
    ok = PrepareCase(runs[i].dir, kCases[i]);
  }
  // The cases take turns, so that a machine busy for a while slows all of them alike.
  for (int run = 0; ok && run < run_count; ++run) {
    for (size_t i = 0; ok && i < case_count; ++i) ok = RunCase(korvanex, kCases[i], &runs[i]);
  }
  for (const CaseRuns& one : runs) {
    if (!one.dir.empty()) RemoveTree(one.dir);
  }
  rmdir(scratch.c_str());
  if (!ok) return 1;

  std::printf("Import of AREAS.BBS into mbases.dat, median of %d runs, output to /dev/null\n\n",
              run_count);
  std::printf("%6s %6s %6s %8s %9s %8s %8s %8s %8s %6s %6s\n", "bases", "areas", "new", "existing",
              "median s", "min s", "max s", "cpu s", "peak MB", "ratio", "cpu");
  std::vector<double> median(case_count);
  std::vector<double> median_cpu(case_count);
  for (size_t i = 0; i < case_count; ++i) {
    const BenchCase& c = kCases[i];
    median[i] = Median(runs[i].seconds);
    median_cpu[i] = Median(runs[i].cpu_seconds);
    std::printf("%6d %6d %6d %8d %9.4f %8.4f %8.4f %8.4f %8.2f", c.existing, c.areas, c.new_areas,
                c.areas - c.new_areas, median[i],
                *std::min_element(runs[i].seconds.begin(), runs[i].seconds.end()),
                *std::max_element(runs[i].seconds.begin(), runs[i].seconds.end()), median_cpu[i],
                static_cast<double>(runs[i].peak_kilobytes) / 1024.0);
    if (i > 0) {
      std::printf(" %6.2f %6.2f", median[i] / median[i - 1], median_cpu[i] / median_cpu[i - 1]);
    }
    std::printf("\n");
  }

  const double ratio = std::max(median[1] / median[0], median[2] / median[1]);
  const double peak = static_cast<double>(runs[2].peak_kilobytes) / 1024.0;
  const bool middle_met = median[1] < kMiddleCaseSeconds;
  const bool ratio_met = ratio <= kDoublingRatio;
  const bool peak_met = peak < kLargestPeakMegabytes;
  std::printf("\n");
  std::printf("middle case %.4f s (target under %.1f s): %s\n", median[1], kMiddleCaseSeconds,
              middle_met ? "met" : "MISSED");
  std::printf("largest doubling ratio %.2f (target at most %.1f): %s\n", ratio, kDoublingRatio,
              ratio_met ? "met" : "MISSED");
  std::printf("largest case peak %.2f MB (target under %.0f MB): %s\n", peak, kLargestPeakMegabytes,
              peak_met ? "met" : "MISSED");
  return middle_met && ratio_met && peak_met ? 0 : 1;
}

}  // namespace
}  // namespace korvanex

int main(int argc, char** argv) {
  const int runs = argc == 3 ? std::atoi(argv[2]) : 5;
  if ((argc != 2 && argc != 3) || runs < 1) {
    std::fprintf(stderr, "usage: import_bench KORVANEX [RUNS]\n");
    return 2;
  }
  // The runs change directory, so the binary is named by its full path.
  char* korvanex = realpath(argv[1], nullptr);
  if (korvanex == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  const int status = korvanex::Run(korvanex, runs);
  std::free(korvanex);
  return status;
}
