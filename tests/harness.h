// Runs the real korvanex binary in temporary directories, plain or under a
// pseudo-terminal, and builds the binary files a run reads.
#ifndef KORVANEX_TESTS_HARNESS_H_
#define KORVANEX_TESTS_HARNESS_H_

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host_files.h"

namespace korvanex_test {

// How long a test waits for something that comes within a second when all goes well: long
// enough for a loaded machine or a run under valgrind, well inside the 30 seconds a test
// may take, so that only a real hang gives up.
constexpr double kWaitSeconds = 20;

// Asks `done` again and again until it says yes or `timeout_seconds` have passed; returns
// its last answer.
bool WaitUntil(const std::function<bool()>& done, double timeout_seconds = kWaitSeconds);

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
// Dates the file's last change a minute back: a partial record that ends mbases.dat is then
// stray bytes to the tool, not another program's append under way.
void StampLongAgo(const std::string& path);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// The names in `dir`, so that a test can see that no temporary file stayed; or only those
// that others may read or write.
std::set<std::string> Entries(const std::string& dir, bool open_to_others_only = false);

struct RunResult {
  int status = -1;     // exit status, or 128 + signal
  std::string output;  // standard output (with a pseudo-terminal: everything the terminal got)
  std::string error;   // standard error (empty with a pseudo-terminal)
};

struct RunOptions {
  RunOptions() = default;
  // A run in `dir` with `keys` on standard input.
  explicit RunOptions(std::string dir, std::string keys = "")
      : cwd(std::move(dir)), input(std::move(keys)) {}
  std::string cwd = ".";
  std::string input;             // standard input; closed after it is written
  bool closed_input = false;     // standard input at end of file from the start
  std::vector<std::string> env;  // extra NAME=value entries
  std::string binary;            // defaults to the built korvanex
  // A run still going after this many seconds is killed.
  double timeout_seconds = kWaitSeconds;
  // Descriptors the tool starts with closed, and resource limits (RLIMIT_*, value). Such
  // a run is never wrapped (see KORVANEX_TEST_WRAPPER): the wrapper would get them.
  std::vector<int> closed_fds;
  std::vector<std::pair<int, unsigned long>> limits;
  bool unprivileged = false;  // as the unprivileged user when the tests run as root
};

// The environment that preloads the fault library (tests/faultinject) into the tool, set up
// by `settings` ("KORVANEX_FAULT_OP=write", ...).
std::vector<std::string> FaultLibraryEnv(std::vector<std::string> settings);

// Runs the tool with standard output and standard error on pipes.
RunResult RunTool(const std::vector<std::string>& args, const RunOptions& options = {});

// The tool on a pseudo-terminal of 80 x 25, for colour output and configuration mode.
class PtySession {
 public:
  PtySession(const std::vector<std::string>& args, const RunOptions& options = {});
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  // Reads terminal output until `text` has appeared in it (from offset `from` on) or the
  // time runs out; returns whether it appeared. Output read so far is kept in output().
  bool WaitFor(const std::string& text, double timeout_seconds = kWaitSeconds, size_t from = 0);
  // Sends bytes as typed keys.
  void Send(const std::string& keys);
  // Closes the keyboard side (the terminal hangs up).
  void CloseInput();
  // Waits for the program to end and reads its output to the last byte; returns the exit
  // status. Each time the program stops itself meanwhile (see KORVANEX_FAULT_SIGNAL),
  // `at_stop` is called with the number of the stop, from 1, and the program goes on.
  int Wait(double timeout_seconds = kWaitSeconds,
           const std::function<void(int)>& at_stop = nullptr);
  const std::string& output() const { return output_; }
  pid_t pid() const { return pid_; }
  // The terminal's descriptor on the test's side; its settings are the tool's terminal's.
  int master() const { return master_; }

 private:
  void ReadAvailable(int timeout_ms);

  pid_t pid_ = -1;
  int master_ = -1;
  std::string output_;
  int status_ = -1;
};

// The four lines that begin every import run's output, and the verdicts of an area line,
// all from the tool's own texts.
extern const std::string kBanner;
extern const std::string kExists;
extern const std::string kCreating;
// An area line as a run prints it without a terminal: the head with the tag padded or cut
// to the console's tag columns, then the word and CR LF.
std::string AreaHead(const std::string& tag);
std::string AreaLine(const std::string& tag, const std::string& word);
// The empty line and the summary that end a complete import.
std::string Summary(int count);
// Whether `text` is exactly a runtime error report for `number`: "Runtime error N at 0x"
// and 8 upper-case hex digits, a "  0x" line per calling level, then an empty line.
bool IsRuntimeErrorReport(const std::string& text, int number);
// Checks that the run ended with the runtime error report for `number`, as its status too,
// that the output before the report is `before`, and that nothing went to standard error.
void ExpectReport(const RunResult& run, int number, const std::string& before);

// How many times `part` occurs in `text`.
size_t Count(const std::string& text, const std::string& part);

// Writes a counted string (length byte, then the characters) at `offset`.
void PutCounted(std::string* bytes, size_t offset, const std::string& text);

// The files are built by the builder the example and the benchmark share.
using korvanex::HostSetup;

// Built-in defaults as korvanex.cfg holds them after a first run (117 bytes).
std::string BuiltInDefaultsBytes();
// The same with Squish as the base format, as the keys L and Q save it from them.
std::string FormatChangedBytes();

// An ostrel.dat of exactly 1824 bytes with the fields the tool reads.
std::string HostConfigBytes(const HostSetup& fields);

// One 282-byte mbases.dat record with the given name, file name and index, the settings of
// the built-in defaults, and `fill` behind the lengths of its strings.
std::string BaseRecordBytes(const std::string& tag, const std::string& file_name, uint16_t index,
                            char fill = 0);

// Records of the bases BASE0, BASE1, ... in files base0, base1, ..., one per index.
std::string BasesBytes(const std::vector<uint16_t>& indexes, char fill = 0);

// The 16-bit little-endian value at `offset`.
uint16_t Fixed16At(const std::string& bytes, size_t offset);
// The counted string at `offset` (length as stored).
std::string CountedAt(const std::string& bytes, size_t offset);

// A host in a temporary directory: ostrel.dat in root/, mbases.dat in root/data/, and
// korvanex.cfg with the built-in defaults in the working directory work/.
struct Host {
  Host();
  TempDir dir;
  std::string root;  // dir/root
  std::string data;  // dir/root/data/
  std::string work;  // dir/work (the tool's current directory)
  std::string mbases_path() const { return data + "mbases.dat"; }
  // Writes AREAS.BBS in work/ and runs an import; returns the run.
  RunResult Import(const std::string& areas_bbs, const RunOptions& options = {});
};

}  // namespace korvanex_test

#endif  // KORVANEX_TESTS_HARNESS_H_
