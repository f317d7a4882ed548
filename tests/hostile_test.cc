// The tool in unlucky or hostile surroundings: closed standard descriptors, long paths,
// another writer of mbases.dat, resource limits, files that are not files, links that do
// not resolve, job control. None of them may cost a byte of the board's files.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/messages.h"
#include "gtest/gtest.h"
#include "harness.h"

namespace korvanex_test {
namespace {

namespace fs = std::filesystem;

const char kAreas[] = "!/e/general GENERAL 21:1/100\n!/e/one ONE\n!/e/two TWO 2:5/1\n";
const char kWaiting[] = "Waiting for another import into mbases.dat to finish";

// The records of mbases.dat, each with its file name and index.
struct Records {
  explicit Records(const std::string& bytes) {
    for (size_t at = 0; at + 282 <= bytes.size(); at += 282) {
      names.push_back(CountedAt(bytes, at + 55));
      indexes.insert(Fixed16At(bytes, at + 280));
    }
  }
  std::vector<std::string> names;
  std::set<uint16_t> indexes;
};

TEST(Hostile, ClosedStandardDescriptorsNeverReceiveOutput) {
  const std::string existing = BaseRecordBytes("OLD", "old", 1);
  Host clean;
  WriteFile(clean.mbases_path(), existing);
  ASSERT_EQ(clean.Import(kAreas).status, 0);
  const std::string expected = ReadFile(clean.mbases_path());
  for (const std::vector<int>& closed : {std::vector<int>{0, 1}, {1, 2}, {0, 1, 2}}) {
    SCOPED_TRACE(closed.size());
    Host host;
    WriteFile(host.mbases_path(), existing);
    RunOptions options;
    options.closed_fds = closed;
    EXPECT_EQ(host.Import(kAreas, options).status, 0);
    EXPECT_EQ(ReadFile(host.mbases_path()), expected);
  }
  // Configuration mode saving with its screen going nowhere.
  Host host;
  RunOptions options(host.work, "LQ");
  options.closed_fds = {1, 2};
  EXPECT_EQ(RunTool({"-config"}, options).status, 0);
  EXPECT_EQ(ReadFile(host.work + "/korvanex.cfg"), FormatChangedBytes());
  EXPECT_EQ(Entries(host.work), (std::set<std::string>{"korvanex.cfg"}));
}

TEST(Hostile, LongRootIsUsedInFull) {
  // Two boards, each with its own data directory under the working directory.
  Host host;
  auto make_board = [&host](const std::string& root, const std::string& data) {
    fs::create_directories(root);
    fs::create_directories(host.work + "/" + data);
    HostSetup fields;
    fields.data_path = data;
    WriteFile(root + "/ostrel.dat", HostConfigBytes(fields));
    WriteFile(host.work + "/" + data + "mbases.dat", "");
  };
  // Inside the test's own directory, so that it goes away with it.
  std::string root = host.dir.path() + "/";
  while (root.size() < 254) root += root.size() % 100 == 0 ? "/" : "r";
  root.resize(254);
  ASSERT_NE(root.back(), '/');
  // A root of 254 characters, and inside it a board whose path goes past 255: cut at 255,
  // that path would name the outer board.
  make_board(root, "outer/");
  make_board(root + "/inner", "inner/");
  // A root of exactly 255 characters: cut, it would lose its slash.
  make_board(root + "x", "exact/");
  WriteFile(host.work + "/AREAS.BBS", "!/e/one ONE\n");
  const RunOptions options(host.work);
  for (const auto& [board, data] :
       {std::pair{root + "/inner", "inner/"}, std::pair{root + "x", "exact/"}}) {
    SCOPED_TRACE(data);
    RunResult run = RunTool({board, "AREAS.BBS"}, options);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadFile(host.work + "/" + data + "mbases.dat").size(), 282u);
  }
  EXPECT_EQ(ReadFile(host.work + "/outer/mbases.dat"), "");
}

// An import whose area list is a FIFO, so that the test decides when it goes on.
class FifoImport {
 public:
  explicit FifoImport(const Host& host, RunOptions options = {}) : list_(host.work + "/FIFO.BBS") {
    mkfifo(list_.c_str(), 0600);
    // Opened for reading and writing, the FIFO opens at once and has a writer throughout.
    writer_ = open(list_.c_str(), O_RDWR | O_CLOEXEC);
    options.cwd = host.work;
    session_ =
        std::make_unique<PtySession>(std::vector<std::string>{host.root, "FIFO.BBS"}, options);
  }
  ~FifoImport() {
    if (writer_ >= 0) close(writer_);
  }
  void Feed(const std::string& lines) {
    EXPECT_EQ(write(writer_, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  }
  // Ends the area list and waits for the end of the run.
  int Finish() {
    close(writer_);
    writer_ = -1;
    return session_->Wait();
  }
  PtySession& session() { return *session_; }
  // Waits until the tool is blocked reading the area list: everything it does for the
  // lines fed so far is done, once it is known to have begun on the last of them (right
  // after a feed the tool may still be in the read that the feed ends).
  bool WaitUntilReading() {
    const std::string syscall = "/proc/" + std::to_string(session_->pid()) + "/syscall";
    return WaitUntil([&] {
      std::string number;
      std::ifstream(syscall) >> number;
      return number == "0";  // read
    });
  }

 private:
  std::string list_;
  int writer_ = -1;
  std::unique_ptr<PtySession> session_;
};

TEST(Hostile, TwoImportsAtOnceKeepEveryRecordOfBoth) {
  Host host;
  WriteFile(host.mbases_path(), BaseRecordBytes("OLD", "old", 1) + BaseRecordBytes("X", "x", 2));
  FifoImport first(host);
  first.Feed("!/e/a1 A1\n");
  ASSERT_TRUE(first.session().WaitFor(kCreating));
  // The second run waits for the first one's lock, and says so.
  WriteFile(host.work + "/B.BBS", "!/e/b1 B1\n!/e/b2 B2\n!/e/b3 B3\n");
  PtySession second({host.root, "B.BBS"}, RunOptions(host.work));
  ASSERT_TRUE(second.WaitFor(kWaiting));
  first.Feed("!/e/a2 A2\n!/e/a3 A3\n");
  EXPECT_EQ(first.Finish(), 0);
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(first.session().output().find(kWaiting), std::string::npos);

  const Records records(ReadFile(host.mbases_path()));
  EXPECT_EQ(records.names,
            (std::vector<std::string>{"old", "x", "a1", "a2", "a3", "b1", "b2", "b3"}));
  EXPECT_EQ(records.indexes.size(), 8u) << "every index differs";
}

// Waits until the file has `size` bytes; false when that does not come in time.
bool WaitForSize(const std::string& path, uintmax_t size) {
  return WaitUntil([&] { return fs::file_size(path) == size; });
}

// The host and its utilities write mbases.dat between two areas of a run, taking no lock.
void AppendToFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// A board that holds the base old, and an import from a FIFO that has just created a1.
struct AfterFirstBase {
  AfterFirstBase() {
    WriteFile(host.mbases_path(), BaseRecordBytes("OLD", "old", 1));
    run = std::make_unique<FifoImport>(host);
    run->Feed("!/e/a1 A1\n");
    created = WaitForSize(host.mbases_path(), 2 * 282);
  }
  Host host;
  std::unique_ptr<FifoImport> run;
  bool created = false;
};

TEST(Hostile, RecordAppendedByAnotherProgramIsKeptAndSeen) {
  AfterFirstBase scene;
  ASSERT_TRUE(scene.created);
  Host& host = scene.host;
  FifoImport& run = *scene.run;
  // The board appends a base with the index the next new base would otherwise get.
  const std::string board = BaseRecordBytes("BOARD", "board", 3, '\x42');
  AppendToFile(host.mbases_path(), board);
  run.Feed("!/e/board BOARD\n!/e/a2 A2\n");
  EXPECT_EQ(run.Finish(), 0);

  const std::string mbases = ReadFile(host.mbases_path());
  ASSERT_EQ(mbases.size(), 4u * 282);
  EXPECT_EQ(mbases.substr(2 * 282, 282), board);
  const Records records(mbases);
  EXPECT_EQ(records.names, (std::vector<std::string>{"old", "a1", "board", "a2"}));
  EXPECT_EQ(records.indexes, (std::set<uint16_t>{1, 2, 3, 4}));
  // The board's base is found, not created again.
  EXPECT_NE(run.session().output().find("BOARD" + std::string(57, ' ') + "\x1b[0;1;31mExists"),
            std::string::npos);
}

TEST(Hostile, FileRenamedOverMbasesIsTheOneWrittenAndLocked) {
  AfterFirstBase scene;
  ASSERT_TRUE(scene.created);
  Host& host = scene.host;
  FifoImport& run = *scene.run;
  fs::copy_file(host.mbases_path(), host.data + "copy");
  fs::rename(host.data + "copy", host.mbases_path());
  run.Feed("!/e/a2 A2\n");
  ASSERT_TRUE(WaitForSize(host.mbases_path(), 3 * 282)) << "the new file gets the base";
  // The lock went with the run to the new file.
  WriteFile(host.work + "/B.BBS", "!/e/b1 B1\n");
  PtySession second({host.root, "B.BBS"}, RunOptions(host.work));
  ASSERT_TRUE(second.WaitFor(kWaiting));
  EXPECT_EQ(run.Finish(), 0);
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(Records(ReadFile(host.mbases_path())).names,
            (std::vector<std::string>{"old", "a1", "a2", "b1"}));
}

TEST(Hostile, FileRewrittenInPlaceIsReadAfresh) {
  // Also with the run's clock 3 seconds ahead of the one that stamps the file, as a file
  // server's may be: the run tells its own append by the file's stamps, not by its clock.
  for (const int clock_skew : {0, 3}) {
    SCOPED_TRACE(clock_skew);
    Host host;
    WriteFile(host.mbases_path(),
              BaseRecordBytes("OLD", "old", 1) + BaseRecordBytes("GONE", "gone", 2));
    RunOptions options;
    options.env = FaultLibraryEnv({"KORVANEX_FAULT_CLOCK_SKEW=" + std::to_string(clock_skew)});
    FifoImport run(host, options);
    run.Feed("!/e/a1 A1\n");
    ASSERT_TRUE(WaitForSize(host.mbases_path(), 3 * 282));
    // Same size: old is renamed beta and given index 7, gone makes way for new. A rewrite
    // within the time-stamp tick of the run's own append cannot be seen, so the host's
    // write is repeated until its time stamp is later than the moment the run had finished.
    ASSERT_TRUE(run.WaitUntilReading());
    const auto run_finished = fs::file_time_type::clock::now();
    const std::string rewritten = BaseRecordBytes("BETA", "beta", 7) +
                                  BaseRecordBytes("NEW", "new", 2) +
                                  ReadFile(host.mbases_path()).substr(2 * 282);
    do {
      std::fstream(host.mbases_path(), std::ios::binary | std::ios::in | std::ios::out)
          << rewritten;
    } while (fs::last_write_time(host.mbases_path()) <= run_finished);
    run.Feed("!/e/beta BETA\n!/e/gone GONE\n!/e/old OLD\n");
    EXPECT_EQ(run.Finish(), 0);
    const Records records(ReadFile(host.mbases_path()));
    EXPECT_EQ(records.names, (std::vector<std::string>{"beta", "new", "a1", "gone", "old"}));
    EXPECT_EQ(records.indexes, (std::set<uint16_t>{7, 2, 3, 4, 5}));
    EXPECT_NE(run.session().output().find("BETA" + std::string(58, ' ') + "\x1b[0;1;31mExists"),
              std::string::npos);
  }
}

TEST(Hostile, BaseThatAnotherProgramDropsIsAppendedAgain) {
  // The host puts back its copy of mbases.dat from before the run's last base: it renames
  // it over the file, writes it over the file in place, or puts it in a new data directory
  // where the old one was; or it cuts the file to nothing before that base and writes its
  // records, one more among them, once the run has appended it. The last base is missing
  // from the file only then, after the run's last look.
  enum Copy { kRenamed, kWrittenOver, kInNewDirectory, kAfterCut };
  for (const Copy kind : {kRenamed, kWrittenOver, kInNewDirectory, kAfterCut}) {
    SCOPED_TRACE(kind);
    AfterFirstBase scene;
    ASSERT_TRUE(scene.created);
    const std::string mbases = scene.host.mbases_path(), copy = ReadFile(mbases);
    const int cut = kind == kAfterCut ? open(mbases.c_str(), O_WRONLY | O_TRUNC) : -1;
    scene.run->Feed("!/e/a2 A2\n");
    // a2 is in (after a1 again where the file was cut), and the run waits for more.
    ASSERT_TRUE(WaitForSize(mbases, (kind == kAfterCut ? 2 : 3) * 282));
    ASSERT_TRUE(scene.run->WaitUntilReading());
    std::vector<std::string> names = {"old", "a1", "a2"};
    if (kind == kRenamed) {
      WriteFile(scene.host.data + "copy", copy);
      fs::rename(scene.host.data + "copy", mbases);
    } else if (kind == kAfterCut) {
      const std::string records = copy + BaseRecordBytes("BOARD", "board", 3);
      EXPECT_EQ(write(cut, records.data(), records.size()), 3 * 282);
      close(cut);
      names.insert(names.begin() + 2, "board");
    } else {
      if (kind == kInNewDirectory) {
        fs::rename(scene.host.data, scene.host.root + "/data.old");
        fs::create_directory(scene.host.data);
      }
      WriteFile(mbases, copy);
    }
    EXPECT_EQ(scene.run->Finish(), 0);
    EXPECT_EQ(Records(ReadFile(mbases)).names, names);
  }
}

// The host as the run's fault library lets it act: at each stop of the run at one of the
// calls named, it may rewrite or append to the file, or cut it and later put back its copy.
struct HostAtStop {
  std::string path;
  std::string copy = "";
  std::string Bytes() const { return ReadFile(path); }
  void Put(const std::string& bytes) const { WriteFile(path, bytes); }
};

TEST(Hostile, HostWritingAtTheRunsOwnCallsNeverGetsAFalseSuccess) {
  // Status 0 only when each base the run reported is in the file once, as written; never
  // more than two records of one base of the run; no record the host finished before the
  // run could see it is written over or cut. What the host does at the run's stops, by
  // their number (with stops at fstat, 1 is the open's):
  const std::string old = BaseRecordBytes("OLD", "old", 1), x = BaseRecordBytes("X", "x", 8);
  const std::string board = BaseRecordBytes("BOARD", "board", 9, 'B');
  const auto cut_then_put_back = [](HostAtStop& h, int stop) {
    if (stop == 4) h.Put(h.copy);
    if (stop == 3) {
      h.copy = h.Bytes();
      h.Put("");
    }
  };
  const auto put_back_a1 = [&](HostAtStop& h, int stop) {
    if (stop == 1) h.Put(old + BaseRecordBytes("A1", "a1", 2));
  };
  const auto grow_keeping_a2_at_the_end = [&](HostAtStop& h, int stop) {
    if (stop == 4) h.Put(board + old + h.Bytes().substr(564, 282) + x);
  };
  const auto a1_for_board = [&](HostAtStop& h, int stop) {
    if (stop == 3) h.Put(old + board + h.Bytes().substr(564));
  };
  const auto change_a1 = [](HostAtStop& h, int stop) {
    if (stop == 2) h.Put(h.Bytes().substr(0, 500) + "*" + h.Bytes().substr(501));
  };
  // Half a record at stop `first`, the rest at the next.
  const auto halves = [&](int first) {
    return [&, first](HostAtStop& h, int stop) {
      if (stop == first || stop == first + 1) {
        AppendToFile(h.path, board.substr(stop == first ? 0 : 150, 150));
      }
    };
  };
  const auto append_board = [&](HostAtStop& h, int stop) {
    if (stop == 1) AppendToFile(h.path, board);
  };
  const auto undo = [&](HostAtStop& h, int stop) {
    if (stop > 1) h.Put(old);
  };
  const struct {
    const char* what;
    std::string start;  // mbases.dat
    const char* ops;    // where the run stops
    std::function<void(HostAtStop&, int)> act;
    int status;
    const char* names = "";  // of the records at the end (status 0, or given)
    std::string kept = "";   // bytes of the host's that must stay in the file
    int partial = -1;
  } kRows[] = {
      {"cut at an append, put back at the next write", old, "fstat,write", cut_then_put_back, 1,
       "old a1 a1 a2 a3"},
      {"cut as the run begins, put back at its write", "", "write", put_back_a1, 1,
       "old a1 a1 a2 a3"},
      {"rewritten bigger, the last record kept, a base of the run dropped", old, "fstatat",
       grow_keeping_a2_at_the_end, 0, "board old a2 x a1 a3"},
      {"a base of the run dropped, one added, before its stat", old, "fstat", a1_for_board, 0,
       "old board a2 a3 a1"},
      {"a base of the run changed before its stat", old, "fstat", change_a1, 1, "old a1 a2 a3"},
      {"half a record before a write, the rest before its stat", old, "write,fstat", halves(2), 1},
      {"half a record before a write, the rest at the next look", old, "write,fstatat", halves(3),
       0, "old board a1 a2 a3"},
      {"a record appended right before a write over stray bytes", old + board.substr(0, 100),
       "ftruncate,write", append_board, 1, "", board},
      {"every append of the run undone", old, "fstat", undo, 1, "old"},
      {"a record appended right before a write that fails part-way", old, "write", append_board,
       101, "old board", "", 100},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.what);
    Host host;
    WriteFile(host.mbases_path(), row.start);
    if (!row.start.empty()) StampLongAgo(host.mbases_path());
    WriteFile(host.work + "/AREAS.BBS", "!/e/a1 A1\n!/e/a2 A2\n!/e/a3 A3\n");
    RunOptions options(host.work);
    options.env = FaultLibraryEnv({"KORVANEX_FAULT_FILE=mbases.dat",
                                   std::string("KORVANEX_FAULT_OP=") + row.ops,
                                   "KORVANEX_FAULT_NTH=0", "KORVANEX_FAULT_SIGNAL=19",
                                   "KORVANEX_FAULT_PARTIAL=" + std::to_string(row.partial)});
    PtySession run({host.root, "AREAS.BBS"}, options);
    HostAtStop at{host.mbases_path()};
    EXPECT_EQ(run.Wait(kWaitSeconds, [&](int stop) { row.act(at, stop); }), row.status);
    const std::string mbases = ReadFile(host.mbases_path());
    const std::vector<std::string> records = Records(mbases).names;
    std::string names;
    for (const std::string& name : records) names += (names.empty() ? "" : " ") + name;
    if (row.status == 0 || *row.names != '\0') {
      EXPECT_EQ(names, row.names);
      EXPECT_EQ(mbases.size() % 282, 0u) << "whole records only";
    }
    if (row.status == 1) {
      EXPECT_NE(run.output().find(korvanex::message::kNotAsWritten), std::string::npos);
    }
    for (const char* base : {"a1", "a2", "a3"}) {
      EXPECT_LE(std::count(records.begin(), records.end(), base), 2) << base;
    }
    EXPECT_NE(mbases.find(row.kept), std::string::npos) << "the host's record";
  }
}

TEST(Hostile, RecordHalfWrittenByAnotherProgramIsNeverWrittenOver) {
  // The host has written 100 bytes of its record when the run begins, or between two of its
  // areas: no stray bytes to write over. The run waits, saying so, and goes on after the
  // record once the host finishes it; when it is left unchanged for 10 seconds, it has
  // become stray bytes, and the run's next record is written over it.
  const std::string old = BaseRecordBytes("OLD", "old", 1);
  const std::string board = BaseRecordBytes("BOARD", "board", 3, '\x42');
  const struct {
    bool at_start;
    bool finished;
    std::vector<std::string> names;
  } kCases[] = {{true, true, {"old", "board", "a2"}},
                {false, true, {"old", "a1", "board", "a2"}},
                {false, false, {"old", "a1", "a2"}}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.names.size());
    Host host;
    WriteFile(host.mbases_path(), c.at_start ? old + board.substr(0, 100) : old);
    FifoImport run(host);
    if (!c.at_start) {
      run.Feed("!/e/a1 A1\n");
      ASSERT_TRUE(WaitForSize(host.mbases_path(), 2 * 282));
      AppendToFile(host.mbases_path(), board.substr(0, 100));
    }
    const std::string before = ReadFile(host.mbases_path());
    run.Feed("!/e/a2 A2\n");
    ASSERT_TRUE(run.session().WaitFor("Waiting for another program to finish writing mbases.dat"));
    if (!c.finished) {
      EXPECT_EQ(run.Finish(), 0);
      const std::string mbases = ReadFile(host.mbases_path());
      EXPECT_EQ(mbases.size(), 3 * 282u);
      EXPECT_EQ(Records(mbases).names, c.names);
      continue;
    }
    AppendToFile(host.mbases_path(), board.substr(100));
    run.Feed("!/e/board BOARD\n");
    EXPECT_EQ(run.Finish(), 0);
    const std::string mbases = ReadFile(host.mbases_path());
    EXPECT_EQ(mbases.substr(before.size() - 100, 282), board);
    EXPECT_EQ(Records(mbases).names, c.names);
    EXPECT_NE(run.session().output().find("BOARD" + std::string(57, ' ') + "\x1b[0;1;31mExists"),
              std::string::npos);
  }
}

TEST(Hostile, FileSizeLimitIsAnOrdinaryWriteFailure) {
  {
    Host host;
    const std::string existing = BaseRecordBytes("OLD", "old", 1);
    WriteFile(host.mbases_path(), existing);
    RunOptions options;
    options.limits = {{RLIMIT_FSIZE, existing.size()}};
    RunResult run = host.Import("!/e/new NEW\n", options);
    ExpectReport(run, 101, kBanner + AreaLine("NEW", kCreating));
    EXPECT_EQ(ReadFile(host.mbases_path()), existing);
  }
  {
    Host host;
    RunOptions options(host.work, "LQ");
    options.limits = {{RLIMIT_FSIZE, 0}};
    RunResult run = RunTool({"-config"}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("ERROR: Unable to save korvanex.cfg\n"), std::string::npos);
    EXPECT_EQ(ReadFile(host.work + "/korvanex.cfg"), BuiltInDefaultsBytes());
    EXPECT_EQ(Entries(host.work), (std::set<std::string>{"korvanex.cfg"}));
  }
}

TEST(Hostile, FilesThatAreNotFilesEndTheRun) {
  const std::string kOstrelError = "ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)\n";
  const std::string kMbasesError = "ERROR: Unable to open mbases.dat\n";
  const struct {
    const char* file;  // the record file that something else replaces
    const char* kind;  // "fifo", "socket" or the device to link to
    std::string output;
  } kCases[] = {
      {"korvanex.cfg", "fifo", ""},  // a runtime error 100 before the banner
      {"korvanex.cfg", "/dev/zero", ""},
      {"ostrel.dat", "fifo", kBanner + kOstrelError},
      {"ostrel.dat", "socket", kBanner + kOstrelError},
      {"ostrel.dat", "/dev/zero", kBanner + kOstrelError},
      {"mbases.dat", "fifo", kBanner + kMbasesError},
      {"mbases.dat", "/dev/full", kBanner + kMbasesError},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.kind);
    Host host;
    const std::string file = c.file == std::string("korvanex.cfg") ? host.work + "/" + c.file
                             : c.file == std::string("ostrel.dat") ? host.root + "/" + c.file
                                                                   : host.mbases_path();
    fs::remove(file);
    int listening = -1;
    if (c.kind == std::string("fifo")) {
      ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    } else if (c.kind == std::string("socket")) {
      listening = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address = {};
      address.sun_family = AF_UNIX;
      ASSERT_LT(file.size(), sizeof address.sun_path);
      file.copy(address.sun_path, sizeof address.sun_path - 1);
      ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    } else {
      fs::create_symlink(c.kind, file);
    }
    RunResult run = host.Import(kAreas);
    if (listening >= 0) close(listening);
    if (c.output.empty()) {
      ExpectReport(run, 100, "");
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.output, c.output);
    }
    EXPECT_EQ(run.error, "");
  }
}

TEST(Hostile, SymbolicLinkLoopIsNeverReplaced) {
  Host host;
  fs::remove(host.work + "/korvanex.cfg");
  fs::create_symlink("a", host.work + "/korvanex.cfg");
  fs::create_symlink("korvanex.cfg", host.work + "/a");
  // The loop cannot be opened, so the settings screen opens; its save must fail.
  RunOptions options;
  options.input = "Q";
  RunResult run = host.Import(kAreas, options);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("ERROR: Unable to save korvanex.cfg\n"), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(host.work + "/korvanex.cfg"));
  EXPECT_TRUE(fs::is_symlink(host.work + "/a"));
}

TEST(Hostile, LinkPlantedInASharedDirectoryIsNotWrittenThrough) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to plant links as other users";
  // The tool runs as root in a directory of user 1001; korvanex.cfg is a link to a file
  // outside it. In a sticky directory that everyone may write (like /tmp), a save follows
  // only a link of the user's or of the directory's owner, and never creates a file
  // through a dangling link.
  const struct {
    mode_t dir_mode;
    uid_t link_owner;
    bool target_exists;
    bool saved;
  } kCases[] = {{01777, 1002, true, false}, {01777, 1002, false, false}, {01777, 0, false, false},
                {01777, 0, true, true},     {01777, 1001, true, true},   {0777, 1002, true, true},
                {01775, 1002, true, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.dir_mode) + " " + std::to_string(c.link_owner));
    Host host;
    const std::string cfg = host.work + "/korvanex.cfg", target = host.dir / "private.cfg";
    fs::remove(cfg);
    if (c.target_exists) WriteFile(target, BuiltInDefaultsBytes());
    fs::create_symlink(target, cfg);
    ASSERT_EQ(lchown(cfg.c_str(), c.link_owner, c.link_owner), 0);
    ASSERT_EQ(chown(host.work.c_str(), 1001, 1001), 0);
    ASSERT_EQ(chmod(host.work.c_str(), c.dir_mode), 0);
    RunResult run = RunTool({"-CONFIG"}, RunOptions(host.work, "LQ"));
    EXPECT_EQ(run.status, c.saved ? 0 : 1);
    EXPECT_EQ(run.output.find("ERROR: Unable to save korvanex.cfg\n") == std::string::npos,
              c.saved);
    std::string expected = c.target_exists ? BuiltInDefaultsBytes() : "";
    if (c.saved) expected[116] = 1;
    EXPECT_EQ(ReadFile(target), expected);
    EXPECT_EQ(FileExists(target), c.target_exists);
    EXPECT_TRUE(fs::is_symlink(cfg));
  }
}

bool IsStopped(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'T';
}

TEST(Hostile, ContinuedAfterAStopTheEditorReadsKeysAndRedraws) {
  TempDir dir;
  WriteFile(dir / "korvanex.cfg", BuiltInDefaultsBytes());
  PtySession tool({"-config"}, RunOptions(dir.path()));
  ASSERT_TRUE(tool.WaitFor("Command (Q/Quit): "));
  kill(tool.pid(), SIGSTOP);
  ASSERT_TRUE(WaitUntil([&] { return IsStopped(tool.pid()); }));
  // While it is stopped, the shell puts the terminal back to line input with echo.
  termios modes;
  ASSERT_EQ(tcgetattr(tool.master(), &modes), 0);
  modes.c_lflag |= ICANON | ECHO | ISIG;
  ASSERT_EQ(tcsetattr(tool.master(), TCSANOW, &modes), 0);
  const size_t before = tool.output().size();
  kill(tool.pid(), SIGCONT);
  EXPECT_TRUE(tool.WaitFor("\x1b[H\x1b[2J", kWaitSeconds, before)) << "the screen is drawn again";
  // A single key, without Enter, acts at once.
  tool.Send("F");
  ASSERT_TRUE(tool.WaitFor("Real Names    : No"));
  tool.Send("q");
  EXPECT_EQ(tool.Wait(), 0);
  std::string expected = BuiltInDefaultsBytes();
  expected[100] = 0;
  EXPECT_EQ(ReadFile(dir / "korvanex.cfg"), expected);
}

TEST(Hostile, SmallStackIsEnough) {
  Host host;
  RunOptions options;
  options.limits = {{RLIMIT_STACK, 80 << 10}};
  RunResult run = host.Import(kAreas, options);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, kBanner + AreaLine("GENERAL", kCreating) + AreaLine("ONE", kCreating) +
                            AreaLine("TWO", kCreating) + Summary(3));
}

}  // namespace
}  // namespace korvanex_test
