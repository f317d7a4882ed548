// Measures the real binary importing generated area lists into generated hosts against the
// floor, import_floor: a program that does only the input and output the same import cannot
// avoid. The two take turns on every case, each run from a fresh copy of the generated
// mbases.dat and with the console output going to /dev/null. Prints the median wall and
// processor times of both and their ratio, peak resident memory, and the input and output
// system calls of one further, untimed run of each under strace. Last comes the peak memory
// of one import into a board of 200000 bases, and the targets beside the figures. The
// targets are a guide: the exit status only says whether every run went through.
//   import_bench KORVANEX IMPORT-FLOOR [RUNS]
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_host.h"
#include "bench_run.h"
#include "formats/base_record.h"

namespace korvanex {
namespace {

// Half of the areas new in each case; each doubles the one before. The largest stays
// inside the 1..32767 range the tool numbers new bases in.
const BenchCase kCases[] = {
    {4000, 8000, 4000},
    {8000, 16000, 8000},
    {16000, 32000, 16000},
};
constexpr size_t kCaseCount = sizeof kCases / sizeof kCases[0];
// With 200000 records the next index is already past 32767, so every area line is for a
// base that exists.
constexpr BenchCase kLargeBoard = {200000, 2000, 0};

constexpr double kTimeRatioTarget = 1.3;
constexpr double kCallRatioTarget = 1.2;
constexpr double kDoublingTarget = 2.2;
constexpr double kPeakTarget = 8.0;  // MB, at the largest case
constexpr double kLargeBoardPeakTarget = 10.0;

struct Program {
  const char* label;
  std::string path;
};

// What one program did on one case.
struct Runs {
  std::vector<double> seconds;
  std::vector<double> cpu_seconds;
  long peak_kilobytes = 0;
  IoCounts io;
  long console_bytes = 0;
};

struct CaseRuns {
  std::string dir;
  Runs of[2];  // the tool, the floor
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Megabytes(long kilobytes) { return static_cast<double>(kilobytes) / 1024.0; }

const char* Mark(bool met) { return met ? "ok" : "OVER"; }

bool PrepareCase(const std::string& dir, const BenchCase& c) {
  std::string error;
  if (!FitsIndexRange(c)) error = "a case does not fit the tool's index range";
  if (!error.empty() || mkdir(dir.c_str(), 0777) != 0 || !MakeBenchHost(dir, c, &error) ||
      !CopyFileSynced(dir + "/host/data/mbases.dat", dir + "/mbases.generated")) {
    std::fprintf(stderr, "import_bench: %s\n", error.empty() ? dir.c_str() : error.c_str());
    return false;
  }
  return true;
}

// A run that stopped early would be fast and wrong.
bool ImportedAll(const std::string& dir, const BenchCase& c) {
  const long expected = static_cast<long>(c.existing + c.new_areas) * kBaseRecordSize;
  const long size = FileSize(dir + "/host/data/mbases.dat");
  if (size == expected) return true;
  std::fprintf(stderr, "import_bench: mbases.dat in %s holds %ld bytes after the run, not %ld\n",
               dir.c_str(), size, expected);
  return false;
}

std::vector<std::string> Command(const Program& program) {
  return {program.path, "host", "AREAS.BBS"};
}

// One timed run of a program on a case, from a fresh copy of its generated mbases.dat.
bool TimedRun(const Program& program, const BenchCase& c, const std::string& dir, Runs* runs) {
  RunFigures one;
  if (!CopyFileSynced(dir + "/mbases.generated", dir + "/host/data/mbases.dat") ||
      !RunProgram(Command(program), dir, "/dev/null", &one) || !ImportedAll(dir, c)) {
    return false;
  }
  runs->seconds.push_back(one.seconds);
  runs->cpu_seconds.push_back(one.cpu_seconds);
  runs->peak_kilobytes = std::max(runs->peak_kilobytes, one.peak_kilobytes);
  return true;
}

// One untimed run with the console going to a file, under strace when there is one: the
// call counts, and the console bytes that show the floor writes what the tool writes.
bool CountingRun(const Program& program, const std::string& strace, const BenchCase& c,
                 const std::string& dir, Runs* runs) {
  const std::string console = dir + "/console." + program.label;
  RunFigures ignored;
  if (!CopyFileSynced(dir + "/mbases.generated", dir + "/host/data/mbases.dat") ||
      !(strace.empty() ? RunProgram(Command(program), dir, console, &ignored)
                       : CountIoCalls(strace, Command(program), dir, console, &runs->io)) ||
      !ImportedAll(dir, c)) {
    return false;
  }
  runs->console_bytes = FileSize(console);
  return true;
}

bool RunCases(const Program (&programs)[2], const std::string& strace, int run_count,
              std::vector<CaseRuns>* runs) {
  // Cases and programs take turns, so that a machine busy for a while slows all alike;
  // which program goes first changes from round to round.
  for (int round = 0; round < run_count; ++round) {
    for (size_t i = 0; i < kCaseCount; ++i) {
      for (int turn = 0; turn < 2; ++turn) {
        const int p = (round + turn) % 2;
        if (!TimedRun(programs[p], kCases[i], (*runs)[i].dir, &(*runs)[i].of[p])) return false;
      }
    }
  }
  for (size_t i = 0; i < kCaseCount; ++i) {
    for (int p = 0; p < 2; ++p) {
      if (!CountingRun(programs[p], strace, kCases[i], (*runs)[i].dir, &(*runs)[i].of[p])) {
        return false;
      }
    }
  }
  return true;
}

void PrintTimes(const std::vector<CaseRuns>& runs, int run_count) {
  std::printf(
      "Import of AREAS.BBS into mbases.dat: the tool against import_floor, which does only\n"
      "the input and output the import cannot avoid; median of %d runs each, taking\n"
      "turns, output to /dev/null\n\n",
      run_count);
  std::printf("%6s %6s %6s %8s %8s %6s %9s %9s %6s %8s %8s\n", "bases", "areas", "new", "tool s",
              "floor s", "ratio", "tool cpu", "floor cpu", "ratio", "tool MB", "floor MB");
  for (size_t i = 0; i < kCaseCount; ++i) {
    const Runs& tool = runs[i].of[0];
    const Runs& floor = runs[i].of[1];
    const double wall[2] = {Median(tool.seconds), Median(floor.seconds)};
    const double cpu[2] = {Median(tool.cpu_seconds), Median(floor.cpu_seconds)};
    std::printf("%6d %6d %6d %8.4f %8.4f %6.2f %9.4f %9.4f %6.2f %8.2f %8.2f\n", kCases[i].existing,
                kCases[i].areas, kCases[i].new_areas, wall[0], wall[1], wall[0] / wall[1], cpu[0],
                cpu[1], cpu[0] / cpu[1], Megabytes(tool.peak_kilobytes),
                Megabytes(floor.peak_kilobytes));
  }
}

void PrintCounts(const std::vector<CaseRuns>& runs) {
  std::printf("\nInput and output system calls, one untimed run of each under strace -f -c:\n");
  std::printf("%6s %6s %6s %8s %8s %6s\n", "bases", "areas", "new", "tool", "floor", "ratio");
  for (size_t i = 0; i < kCaseCount; ++i) {
    const IoCounts* io[2] = {&runs[i].of[0].io, &runs[i].of[1].io};
    std::printf("%6d %6d %6d %8ld %8ld %6.2f\n", kCases[i].existing, kCases[i].areas,
                kCases[i].new_areas, io[0]->Total(), io[1]->Total(),
                static_cast<double>(io[0]->Total()) / static_cast<double>(io[1]->Total()));
    for (int p = 0; p < 2; ++p) {
      std::printf("%22s:", p == 0 ? "tool" : "floor");
      for (size_t kind = 0; kind < kIoCallKinds; ++kind) {
        if (io[p]->calls[kind] != 0) std::printf(" %s %ld", kIoCallNames[kind], io[p]->calls[kind]);
      }
      std::printf("\n");
    }
  }
}

// One target, with the figures it is about.
void PrintTarget(const std::string& what, double target, const std::vector<double>& figures) {
  std::printf("  %-44s <= %4.1f:", what.c_str(), target);
  bool met = true;
  for (double figure : figures) {
    std::printf(" %6.2f", figure);
    met = met && figure <= target;
  }
  std::printf("  %s\n", Mark(met));
}

void PrintTargets(const std::vector<CaseRuns>& runs, bool counted, double large_board_peak) {
  std::vector<double> time_ratios;
  std::vector<double> call_ratios;
  std::vector<double> doublings;
  for (size_t i = 0; i < kCaseCount; ++i) {
    const Runs& tool = runs[i].of[0];
    const Runs& floor = runs[i].of[1];
    time_ratios.push_back(Median(tool.seconds) / Median(floor.seconds));
    call_ratios.push_back(static_cast<double>(tool.io.Total()) /
                          static_cast<double>(std::max(1L, floor.io.Total())));
    if (i > 0) doublings.push_back(Median(tool.seconds) / Median(runs[i - 1].of[0].seconds));
  }
  std::printf("\nTargets, a guide:\n");
  PrintTarget("time ratio tool/floor at every case", kTimeRatioTarget, time_ratios);
  if (counted)
    PrintTarget("I/O call ratio tool/floor at every case", kCallRatioTarget, call_ratios);
  PrintTarget("tool's time ratio when the work doubles", kDoublingTarget, doublings);
  const std::string at = "tool's peak RSS in MB at ";
  PrintTarget(at + std::to_string(kCases[kCaseCount - 1].existing) + " bases", kPeakTarget,
              {Megabytes(runs.back().of[0].peak_kilobytes)});
  PrintTarget(at + std::to_string(kLargeBoard.existing) + " bases", kLargeBoardPeakTarget,
              {large_board_peak});
}

int Run(const Program (&programs)[2], int run_count) {
  const char* tmp = std::getenv("TMPDIR");
  std::string scratch =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/korvanex-bench.XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) {
    std::perror("import_bench: mkdtemp");
    return 1;
  }
  // strace writes its table from inside the case directory, so every path is a full one.
  char* full = realpath(scratch.c_str(), nullptr);
  if (full != nullptr) scratch = full;
  std::free(full);
  const std::string strace = FindStrace();
  std::vector<CaseRuns> runs(kCaseCount);
  bool ok = true;
  for (size_t i = 0; ok && i < kCaseCount; ++i) {
    runs[i].dir = scratch + "/case" + std::to_string(i + 1);
    ok = PrepareCase(runs[i].dir, kCases[i]);
  }
  ok = ok && RunCases(programs, strace, run_count, &runs);
  // One import into the large board; with no new areas it leaves mbases.dat as it was.
  const std::string large_dir = scratch + "/large";
  RunFigures large;
  ok = ok && PrepareCase(large_dir, kLargeBoard) &&
       RunProgram(Command(programs[0]), large_dir, "/dev/null", &large) &&
       ImportedAll(large_dir, kLargeBoard);
  RemoveTree(scratch);
  if (!ok) return 1;

  PrintTimes(runs, run_count);
  if (strace.empty()) {
    std::printf("\nstrace is not on PATH: no system call counts.\n");
  } else {
    PrintCounts(runs);
  }
  for (size_t i = 0; i < kCaseCount; ++i) {
    if (runs[i].of[0].console_bytes != runs[i].of[1].console_bytes) {
      std::printf("the floor wrote %ld console bytes at %d bases, the tool %ld\n",
                  runs[i].of[1].console_bytes, kCases[i].existing, runs[i].of[0].console_bytes);
    }
  }
  std::printf("\nOne import of %d area lines, all for bases that exist, into %d bases: %.4f s\n",
              kLargeBoard.areas, kLargeBoard.existing, large.seconds);
  PrintTargets(runs, !strace.empty(), Megabytes(large.peak_kilobytes));
  return 0;
}

}  // namespace
}  // namespace korvanex

int main(int argc, char** argv) {
  const int runs = argc == 4 ? std::atoi(argv[3]) : 5;
  if ((argc != 3 && argc != 4) || runs < 1) {
    std::fprintf(stderr, "usage: import_bench KORVANEX IMPORT-FLOOR [RUNS]\n");
    return 2;
  }
  // The runs change directory, so the programs are named by their full paths.
  char* tool = realpath(argv[1], nullptr);
  char* floor = realpath(argv[2], nullptr);
  int status = 2;
  if (tool == nullptr || floor == nullptr) {
    std::perror(tool == nullptr ? argv[1] : argv[2]);
  } else {
    const korvanex::Program programs[2] = {{"tool", tool}, {"floor", floor}};
    status = korvanex::Run(programs, runs);
  }
  std::free(tool);
  std::free(floor);
  return status;
}
