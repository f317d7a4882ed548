#include "harness.h"

#include <errno.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "app/messages.h"
#include "gtest/gtest.h"
#include "unprivileged.h"

namespace korvanex_test {

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int DecodeStatus(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

[[noreturn]] void ExecTool(const std::vector<std::string>& args, const RunOptions& options) {
  if (chdir(options.cwd.c_str()) != 0) _exit(126);
  for (const std::string& entry : options.env) putenv(strdup(entry.c_str()));
  std::string binary = options.binary.empty() ? KORVANEX_BINARY : options.binary;
  std::vector<char*> argv;
  // KORVANEX_TEST_WRAPPER (words separated by spaces, such as a valgrind command) runs
  // the tool itself under another program.
  const char* wrapper = getenv("KORVANEX_TEST_WRAPPER");
  if (options.binary.empty() && options.limits.empty() && options.closed_fds.empty() &&
      wrapper != nullptr) {
    std::istringstream words(wrapper);
    for (std::string word; words >> word;) argv.push_back(strdup(word.c_str()));
  }
  argv.push_back(strdup(binary.c_str()));
  for (const std::string& arg : args) argv.push_back(strdup(arg.c_str()));
  argv.push_back(nullptr);
  // The tool starts as from a plain shell, whatever the test run inherited: a run under
  // nohup ignores SIGHUP, and that would carry over to every tool the tests start.
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    signal(signal_number, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (const auto& [resource, value] : options.limits) {
    const rlimit limit = {value, value};
    if (setrlimit(resource, &limit) != 0) _exit(125);
  }
  for (int fd : options.closed_fds) close(fd);
  if (options.unprivileged && !BecomeUnprivileged()) _exit(124);
  execvp(argv[0], argv.data());
  _exit(127);
}

// A text of the tool's as it shows off a terminal: its colour codes write nothing.
std::string Plain(const char* text) {
  return std::regex_replace(text, std::regex("\\|[0-9][0-9]"), "");
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, double timeout_seconds) {
  const double deadline = Now() + timeout_seconds;
  while (!done()) {
    if (Now() > deadline) return done();
    usleep(10000);
  }
  return true;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvanex-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Permission tests may leave read-only directories behind; open them up first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      chmod(it->path().c_str(), 0755);
    }
  }
  chmod(path_.c_str(), 0755);
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> FaultLibraryEnv(std::vector<std::string> settings) {
  settings.push_back(std::string("LD_PRELOAD=") + KORVANEX_FAULTINJECT);
  // A sanitizer runtime wants to be loaded first; the preloaded library comes before it,
  // and its new and delete stand in for the sanitizer's.
  const char* asan = getenv("ASAN_OPTIONS");
  settings.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") +
                     ":verify_asan_link_order=0:alloc_dealloc_mismatch=0");
  return settings;
}

std::set<std::string> Entries(const std::string& dir, bool open_to_others_only) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const auto others = std::filesystem::perms::group_all | std::filesystem::perms::others_all;
    if (!open_to_others_only ||
        (entry.status().permissions() & others) != std::filesystem::perms::none) {
      names.insert(entry.path().filename().string());
    }
  }
  return names;
}

void StampLongAgo(const std::string& path) {
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool FileExists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

RunResult RunTool(const std::vector<std::string>& args, const RunOptions& options) {
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0 || pipe(in_pipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1], in_pipe[0], in_pipe[1]}) {
      close(fd);
    }
    ExecTool(args, options);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  close(in_pipe[0]);
  // Keyboard input is written up front; it is small enough to fit the pipe.
  signal(SIGPIPE, SIG_IGN);
  if (!options.closed_input && !options.input.empty()) {
    (void)!write(in_pipe[1], options.input.data(), options.input.size());
  }
  close(in_pipe[1]);

  RunResult result;
  const double deadline = Now() + options.timeout_seconds;
  bool out_open = true, err_open = true;
  while (out_open || err_open) {
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int ready = poll(fds, 2, 100);
    if (ready > 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i].revents & (POLLIN | POLLHUP)) {
          char buffer[65536];
          ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
          std::string& sink = i == 0 ? result.output : result.error;
          if (got > 0) {
            sink.append(buffer, static_cast<size_t>(got));
          } else {
            (i == 0 ? out_open : err_open) = false;
          }
        }
      }
    }
    if (Now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
  }
  close(out_pipe[0]);
  close(err_pipe[0]);
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  result.status = DecodeStatus(wait_status);
  return result;
}

PtySession::PtySession(const std::vector<std::string>& args, const RunOptions& options) {
  winsize size = {25, 80, 0, 0};  // rows, columns and no pixel size
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ < 0) throw std::runtime_error("forkpty failed");
  if (pid_ == 0) ExecTool(args, options);
}

PtySession::~PtySession() {
  if (pid_ > 0 && status_ < 0) {
    kill(pid_, SIGKILL);
    int ignored;
    waitpid(pid_, &ignored, 0);
  }
  if (master_ >= 0) close(master_);
}

void PtySession::ReadAvailable(int timeout_ms) {
  pollfd fd = {master_, POLLIN, 0};
  if (poll(&fd, 1, timeout_ms) <= 0 || !(fd.revents & POLLIN)) return;
  char buffer[4096];
  const ssize_t got = read(master_, buffer, sizeof buffer);
  if (got > 0) output_.append(buffer, static_cast<size_t>(got));
}

bool PtySession::WaitFor(const std::string& text, double timeout_seconds, size_t from) {
  const double deadline = Now() + timeout_seconds;
  while (output_.find(text, from) == std::string::npos) {
    if (Now() > deadline) return false;
    ReadAvailable(50);
  }
  return true;
}

void PtySession::Send(const std::string& keys) { (void)!write(master_, keys.data(), keys.size()); }

void PtySession::CloseInput() {
  close(master_);
  master_ = -1;
}

int PtySession::Wait(double timeout_seconds, const std::function<void(int)>& at_stop) {
  const double deadline = Now() + timeout_seconds;
  for (int stops = 0;;) {
    int wait_status = 0;
    pid_t done = waitpid(pid_, &wait_status, WNOHANG | (at_stop ? WUNTRACED : 0));
    if (done == pid_ && WIFSTOPPED(wait_status)) {
      at_stop(++stops);
      kill(pid_, SIGCONT);
    } else if (done == pid_) {
      // What the program wrote last can reach this side of the terminal after its end.
      // Reading goes on until the terminal says its other side is closed, which it does
      // only once every byte has been read.
      while (master_ >= 0 && Now() <= deadline) {
        pollfd fd = {master_, POLLIN, 0};
        if (poll(&fd, 1, 50) <= 0) continue;
        char buffer[4096];
        const ssize_t got = read(master_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output_.append(buffer, static_cast<size_t>(got));
      }
      status_ = DecodeStatus(wait_status);
      return status_;
    }
    if (Now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &wait_status, 0);
      status_ = -1;
      return status_;
    }
    if (master_ >= 0) {
      ReadAvailable(20);
    } else {
      usleep(20000);
    }
  }
}

const std::string kBanner = "\n" + Plain(korvanex::message::kBannerTitle) + "\n" +
                            Plain(korvanex::message::kBannerHost) + "\n\n";
const std::string kExists = Plain(korvanex::message::kAreaExists);
const std::string kCreating = Plain(korvanex::message::kAreaCreating);

std::string AreaHead(const std::string& tag) {
  std::string shown = tag.substr(0, korvanex::message::kTagColumns);
  shown.resize(korvanex::message::kTagColumns, ' ');
  return Plain(korvanex::message::kAreaHead) + shown;
}

std::string AreaLine(const std::string& tag, const std::string& word) {
  return AreaHead(tag) + word + "\r\n";
}

std::string Summary(int count) {
  return "\n" + Plain(korvanex::message::kSummaryBefore) + std::to_string(count) +
         Plain(korvanex::message::kSummaryAfter) + "\r\n";
}

bool IsRuntimeErrorReport(const std::string& text, int number) {
  const std::regex report("Runtime error " + std::to_string(number) +
                          " at 0x[0-9A-F]{8}\n(  0x[0-9A-F]{8}\n)*\n");
  return std::regex_match(text, report);
}

void ExpectReport(const RunResult& run, int number, const std::string& before) {
  EXPECT_EQ(run.status, number);
  const size_t at = run.output.find("Runtime error ");
  ASSERT_NE(at, std::string::npos) << run.output;
  EXPECT_EQ(run.output.substr(0, at), before);
  EXPECT_TRUE(IsRuntimeErrorReport(run.output.substr(at), number)) << run.output.substr(at);
  EXPECT_EQ(run.error, "");
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

void PutCounted(std::string* bytes, size_t offset, const std::string& text) {
  (*bytes)[offset] = static_cast<char>(text.size());
  bytes->replace(offset + 1, text.size(), text);
}

std::string BuiltInDefaultsBytes() {
  const korvanex::DefaultsRecord record = korvanex::MakeDefaultsRecord({});
  return std::string(std::begin(record.bytes), std::end(record.bytes));
}

std::string FormatChangedBytes() {
  std::string bytes = BuiltInDefaultsBytes();
  bytes[korvanex::defaults_field::kBaseFormat] = 1;
  return bytes;
}

std::string HostConfigBytes(const HostSetup& fields) {
  const korvanex::HostConfigRecord record = korvanex::MakeHostConfig(fields);
  return std::string(std::begin(record.bytes), std::end(record.bytes));
}

std::string BaseRecordBytes(const std::string& tag, const std::string& file_name, uint16_t index,
                            char fill) {
  korvanex::BaseSetup setup;
  setup.fill = static_cast<uint8_t>(fill);
  setup.name = tag;
  setup.short_name = tag.substr(0, 13);
  setup.file_name = file_name;
  setup.index = static_cast<int16_t>(index);
  const korvanex::BaseRecord record = korvanex::MakeBaseRecord(setup);
  return std::string(std::begin(record.bytes), std::end(record.bytes));
}

std::string BasesBytes(const std::vector<uint16_t>& indexes, char fill) {
  std::string bytes;
  for (size_t n = 0; n < indexes.size(); ++n) {
    const std::string number = std::to_string(n);
    bytes += BaseRecordBytes("BASE" + number, "base" + number, indexes[n], fill);
  }
  return bytes;
}

uint16_t Fixed16At(const std::string& bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                               (static_cast<uint8_t>(bytes.at(offset + 1)) << 8));
}

std::string CountedAt(const std::string& bytes, size_t offset) {
  return bytes.substr(offset + 1, static_cast<uint8_t>(bytes.at(offset)));
}

Host::Host() : root(dir / "root"), data(dir / "root/data/"), work(dir / "work") {
  std::filesystem::create_directories(data);
  std::filesystem::create_directories(work);
  HostSetup fields;
  fields.data_path = data;
  fields.zones = {21, 2};
  WriteFile(root + "/ostrel.dat", HostConfigBytes(fields));
  WriteFile(mbases_path(), "");
  WriteFile(work + "/korvanex.cfg", BuiltInDefaultsBytes());
}

RunResult Host::Import(const std::string& areas_bbs, const RunOptions& options) {
  WriteFile(work + "/AREAS.BBS", areas_bbs);
  RunOptions run = options;
  run.cwd = work;
  return RunTool({root, "AREAS.BBS"}, run);
}

}  // namespace korvanex_test
