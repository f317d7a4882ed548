// Measures the tool against import_floor on generated boards. The two take turns, each run
// from a fresh copy of the generated mbases.dat, with standard output on /dev/null; each
// case prints the median wall and processor times, the tool's peak memory, the I/O system
// calls of one run of each under strace (when it is installed) and how the tool's time
// grows when the work doubles. Last comes the tool's peak memory on a board of 200000
// bases. Figures that miss their target are marked; the exit status only says whether
// every run went through.
//   import_bench KORVANEX IMPORT-FLOOR [RUNS]
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "host_files.h"

namespace korvanex {
namespace {

struct Case {
  int existing;   // bases in mbases.dat
  int areas;      // "!" lines in the area list
  int new_areas;  // of those, areas the board has no base for
};
// Three small runs on a quiet board, then cases that each double the one before; existing +
// new stays within the indexes 1..32767.
constexpr Case kCases[] = {{1000, 0, 0},       {1000, 100, 50},     {1000, 1000, 500},
                           {4000, 8000, 4000}, {8000, 16000, 8000}, {16000, 32000, 16000}};
// The case that is run again beside a board that keeps rewriting mbases.dat.
constexpr size_t kBusyCase = 4;
// Past 32767 records no index is left for a new base, so every area exists.
constexpr Case kLargeBoard = {200000, 2000, 0};

struct Figures {
  double seconds = 0;
  double cpu_seconds = 0;
  double peak_mb = 0;
};

std::string FileName(const char* kind, int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%07d", kind, number);
  return name;
}

// A board under `dir`: host/ostrel.dat, host/data/mbases.dat, korvanex.cfg and AREAS.BBS.
bool MakeBoard(const std::string& dir, const Case& c) {
  HostSetup host;
  host.data_path = "host/data/";
  host.zones = {2, 1, 21};
  host.default_text = "Benchmark BBS";
  const HostConfigRecord config = MakeHostConfig(host);
  const DefaultsRecord defaults = MakeDefaultsRecord(DefaultsSetup());
  FILE* bases = nullptr;
  bool written = mkdir(dir.c_str(), 0777) == 0 && mkdir((dir + "/host").c_str(), 0777) == 0 &&
                 mkdir((dir + "/host/data").c_str(), 0777) == 0 &&
                 WriteWholeFile(dir + "/host/ostrel.dat", config.bytes, kHostConfigRecordSize) &&
                 WriteWholeFile(dir + "/korvanex.cfg", defaults.bytes, kDefaultsRecordSize) &&
                 (bases = std::fopen((dir + "/mbases.generated").c_str(), "wb")) != nullptr;
  for (int i = 0; written && i < c.existing; ++i) {
    BaseSetup base;
    base.name = base.short_name = "ECHO." + std::to_string(i);
    base.file_name = FileName("e", i);
    base.index = static_cast<int16_t>(i % 32767 + 1);  // 1..N while N fits
    written = std::fwrite(MakeBaseRecord(base).bytes, kBaseRecordSize, 1, bases) == 1;
  }
  FILE* areas = written ? std::fopen((dir + "/AREAS.BBS").c_str(), "wb") : nullptr;
  written = written && areas != nullptr && std::fputs("; AREAS.BBS, 2:280/464\r\n", areas) >= 0;
  for (long line = 0, created = 0, found = 0; written && line < c.areas; ++line) {
    // New areas spread evenly among the others; existing ones in a scattered order (7919
    // is a prime that divides no base count here), some of them in capitals.
    const bool is_new = (line + 1) * c.new_areas / c.areas > line * c.new_areas / c.areas;
    std::string file = is_new ? FileName("n", static_cast<int>(created++))
                              : FileName(line % 3 == 0 ? "E" : "e", found++ * 7919 % c.existing);
    std::string text = line % 11 == 0 ? "   !/bbs/msgs/" : "!/bbs/msgs/";
    text += file + " ECHO." + file.substr(1) + " 2:280/464 1:218/700";
    text += line % 7 == 0 ? "\r\n" : line % 50 == 49 ? "\n; ----\n" : "\n";
    written = std::fputs(text.c_str(), areas) >= 0;
  }
  if (areas != nullptr && std::fclose(areas) != 0) written = false;
  if (bases != nullptr && std::fclose(bases) != 0) written = false;
  if (!written) std::fprintf(stderr, "import_bench: cannot write the board in %s\n", dir.c_str());
  return written;
}

// Copies the generated mbases.dat into place and has it on disk, so that a run's sync does
// not pay for the copy; stamped a minute back, as on a board nobody touched lately.
bool FreshBases(const std::string& dir) {
  const int in = open((dir + "/mbases.generated").c_str(), O_RDONLY | O_CLOEXEC);
  const int out =
      open((dir + "/host/data/mbases.dat").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  static char buffer[1 << 16];
  ssize_t got = in < 0 || out < 0 ? -1 : 0;
  while (got >= 0 && (got = read(in, buffer, sizeof buffer)) > 0) {
    if (write(out, buffer, static_cast<size_t>(got)) != got) got = -1;
  }
  const timespec minute_ago[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
  const bool copied = got == 0 && futimens(out, minute_ago) == 0 && fsync(out) == 0;
  if (in >= 0) close(in);
  return out >= 0 && close(out) == 0 && copied;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// Runs `argv` in `dir` with standard output on /dev/null. The driver stays small, as a
// child's peak memory counts what it had before exec. A run that ends with a status other
// than 0 failed, unless `status` takes it.
bool Run(std::vector<std::string> argv, const std::string& dir, Figures* figures,
         int* status_taken = nullptr) {
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0 && dup2(null, STDOUT_FILENO) >= 0 && chdir(dir.c_str()) == 0) {
      execvp(args[0], args.data());
    }
    _exit(127);
  }
  int status = 0;
  rusage usage;
  const bool ended = pid > 0 && wait4(pid, &status, 0, &usage) == pid;
  clock_gettime(CLOCK_MONOTONIC, &end);
  if (ended && WIFEXITED(status) && status_taken != nullptr) *status_taken = WEXITSTATUS(status);
  if (!ended || !WIFEXITED(status) || (WEXITSTATUS(status) != 0 && status_taken == nullptr)) {
    std::fprintf(stderr, "import_bench: %s failed in %s\n", argv[0].c_str(), dir.c_str());
    return false;
  }
  figures->seconds =
      static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
  figures->cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  figures->peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return true;
}

// A run that stopped early would be fast and wrong.
bool RunOnFreshBases(const std::vector<std::string>& argv, const std::string& dir, const Case& c,
                     Figures* figures) {
  struct stat after;
  if (!FreshBases(dir) || !Run(argv, dir, figures) ||
      stat((dir + "/host/data/mbases.dat").c_str(), &after) != 0) {
    return false;
  }
  if (after.st_size == static_cast<off_t>(kBaseRecordSize) * (c.existing + c.new_areas))
    return true;
  std::fprintf(stderr, "import_bench: %s left mbases.dat in %s with %lld bytes\n", argv[0].c_str(),
               dir.c_str(), static_cast<long long>(after.st_size));
  return false;
}

// The file and descriptor calls of one run under strace, from the total row of its table.
long CountCalls(std::vector<std::string> argv, const std::string& dir, const Case& c) {
  const std::string table = dir + "/calls";
  argv.insert(argv.begin(), {"strace", "-f", "-c", "-o", table, "-e", "trace=%file,%desc"});
  Figures ignored;
  long calls = -1;
  char row[256];
  FILE* file = RunOnFreshBases(argv, dir, c, &ignored) ? std::fopen(table.c_str(), "r") : nullptr;
  while (file != nullptr && std::fgets(row, sizeof row, file) != nullptr) {
    // The last row: % time, seconds, usecs/call, calls, errors, "total".
    if (std::strstr(row, " total") != nullptr) std::sscanf(row, "%*f %*f %*d %ld", &calls);
  }
  if (file != nullptr) std::fclose(file);
  return calls;
}

// The board's utility at its worst: every 100 ms it reads mbases.dat whole, cuts it to
// nothing and writes back what it read. SIGTERM ends it between two rewrites.
pid_t StartBusyHost(const std::string& path) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  static volatile sig_atomic_t stop = 0;
  signal(SIGTERM, [](int) { stop = 1; });
  std::vector<char> bytes;
  while (stop == 0) {
    usleep(100000);
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0) _exit(1);
    bytes.resize(static_cast<size_t>(status.st_size));
    const ssize_t size = static_cast<ssize_t>(bytes.size());
    if (pread(fd, bytes.data(), bytes.size(), 0) == size && ftruncate(fd, 0) == 0 &&
        pwrite(fd, bytes.data(), bytes.size(), 0) != size) {
      _exit(1);
    }
    close(fd);
  }
  _exit(0);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A figure, marked when it misses its target.
const char* Mark(double figure, double target) { return figure <= target ? " " : "*"; }

int Bench(const std::string& tool, const std::string& floor, int runs) {
  const char* tmp = std::getenv("TMPDIR");
  std::string scratch =
      std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/kvx-bench.XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) return 1;
  const bool strace = std::system("strace -V >/dev/null 2>&1") == 0;
  std::printf(
      "The tool against import_floor, median of %d runs each in turns, output on /dev/null.\n"
      "Targets: time <= 1.3x the floor's (aim 1.15x), I/O calls <= 1.2x, time <= 2.2x when\n"
      "the work doubles, peak RSS <= 8 MB at 16000 bases; * marks a miss.\n\n",
      runs);
  std::printf("%6s %6s %6s %8s %8s %6s %8s %8s %7s %7s %7s %6s %8s\n", "bases", "areas", "new",
              "tool s", "floor s", "ratio", "tool cpu", "flr cpu", "tool MB", "tool IO", "flr IO",
              "ratio", "doubling");
  bool ok = true;
  double last_time = 0, busy_base = 0;
  for (size_t i = 0; ok && i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    const std::string dir = scratch + "/case" + std::to_string(i + 1);
    const std::vector<std::string> commands[2] = {
        {tool, "host", "AREAS.BBS"},
        {floor, "host/data", "AREAS.BBS", std::to_string(c.new_areas)}};
    std::vector<double> wall[2], cpu[2];
    double peak_mb = 0;
    ok = MakeBoard(dir, c);
    for (int round = 0; ok && round < runs; ++round) {
      for (int turn = 0; ok && turn < 2; ++turn) {
        const int p = (round + turn) % 2;  // who goes first changes every round
        Figures one;
        ok = RunOnFreshBases(commands[p], dir, c, &one);
        wall[p].push_back(one.seconds);
        cpu[p].push_back(one.cpu_seconds);
        if (p == 0) peak_mb = std::max(peak_mb, one.peak_mb);
      }
    }
    if (!ok) break;
    const long calls[2] = {strace ? CountCalls(commands[0], dir, c) : -1,
                           strace ? CountCalls(commands[1], dir, c) : -1};
    const double time = Median(wall[0]);
    const double ratio = time / Median(wall[1]);
    std::printf("%6d %6d %6d %8.4f %8.4f %5.2f%s %8.4f %8.4f %6.2f%s", c.existing, c.areas,
                c.new_areas, time, Median(wall[1]), ratio, Mark(ratio, 1.3), Median(cpu[0]),
                Median(cpu[1]), peak_mb, Mark(peak_mb, c.existing >= 16000 ? 8 : 1e9));
    if (calls[0] > 0 && calls[1] > 0) {
      const double call_ratio = static_cast<double>(calls[0]) / static_cast<double>(calls[1]);
      std::printf(" %7ld %7ld %5.3f%s", calls[0], calls[1], call_ratio, Mark(call_ratio, 1.2));
    } else {
      std::printf(" %7s %7s %6s", "n/a", "n/a", "n/a");
    }
    if (i == 0 || kCases[i - 1].areas * 2 != c.areas) std::printf(" %8s\n", "-");
    if (i > 0 && kCases[i - 1].areas * 2 == c.areas) {
      std::printf(" %7.2f%s\n", time / last_time, Mark(time / last_time, 2.2));
    }
    last_time = time;
    if (i == kBusyCase) busy_base = time;
  }
  // The busy case again, beside a board that rewrites mbases.dat every 100 ms.
  const Case& c = kCases[kBusyCase];
  const std::string busy_dir = scratch + "/case" + std::to_string(kBusyCase + 1);
  std::vector<double> busy;
  int refused = 0;
  for (int round = 0; ok && round < runs; ++round) {
    Figures one;
    int status = 0;
    const pid_t host =
        FreshBases(busy_dir) ? StartBusyHost(busy_dir + "/host/data/mbases.dat") : -1;
    ok = host > 0 && Run({tool, "host", "AREAS.BBS"}, busy_dir, &one, &status);
    if (host > 0 && kill(host, SIGTERM) == 0) waitpid(host, nullptr, 0);
    busy.push_back(one.seconds);
    refused += status != 0 ? 1 : 0;
  }
  if (ok) {
    const double ratio = Median(busy) / busy_base;
    std::printf(
        "\n%d bases, %d areas beside a board that rewrites mbases.dat every 100 ms: tool %.4f s,\n"
        "%.2fx the quiet run%s (target <= 3x); %d of %d runs ended with an ERROR line\n",
        c.existing, c.areas, Median(busy), ratio, Mark(ratio, 3), refused, runs);
  }
  Figures large;
  const std::string dir = scratch + "/large";
  ok = ok && MakeBoard(dir, kLargeBoard) &&
       RunOnFreshBases({tool, "host", "AREAS.BBS"}, dir, kLargeBoard, &large);
  if (ok) {
    std::printf(
        "\n%d bases, %d areas, all existing: tool %.4f s, peak RSS %.2f MB%s (target <= 10 MB)\n",
        kLargeBoard.existing, kLargeBoard.areas, large.seconds, large.peak_mb,
        Mark(large.peak_mb, 10));
  }
  const bool removed = std::system(("rm -rf '" + scratch + "'").c_str()) == 0;
  return ok && removed ? 0 : 1;
}

}  // namespace
}  // namespace korvanex

int main(int argc, char** argv) {
  const int runs = argc == 4 ? std::atoi(argv[3]) : 5;
  // The runs change directory, so the programs are named by their full paths.
  char tool[PATH_MAX], floor[PATH_MAX];
  if (argc < 3 || argc > 4 || runs < 1 || realpath(argv[1], tool) == nullptr ||
      realpath(argv[2], floor) == nullptr) {
    std::fprintf(stderr, "usage: import_bench KORVANEX IMPORT-FLOOR [RUNS]\n");
    return 2;
  }
  return korvanex::Bench(tool, floor, runs);
}
