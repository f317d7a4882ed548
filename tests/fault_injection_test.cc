// Failures of the system under the real binary: single file operations made to fail by
// the preloaded fault library, a full disk, write-protected files, and failed saves of
// the defaults. Each run must end with the exact report and status, keep the output
// written before the failure, and leave mbases.dat holding every earlier record and
// nothing after the failure point but what a partial write put there.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "gtest/gtest.h"
#include "harness.h"
#include "unprivileged.h"

namespace korvanex_test {
namespace {

struct Fault {
  std::string file;
  std::string op;
  int nth = 1;
  int error = EIO;
  int partial = -1;
  int signal_number = 0;  // sent by the Nth call instead of a failure (an open: after it)
};

RunOptions WithFault(const Fault& fault, RunOptions options = {}) {
  std::vector<std::string> settings = {"KORVANEX_FAULT_FILE=" + fault.file,
                                       "KORVANEX_FAULT_OP=" + fault.op,
                                       "KORVANEX_FAULT_NTH=" + std::to_string(fault.nth),
                                       "KORVANEX_FAULT_ERRNO=" + std::to_string(fault.error)};
  if (fault.partial >= 0) {
    settings.push_back("KORVANEX_FAULT_PARTIAL=" + std::to_string(fault.partial));
  }
  if (fault.signal_number != 0) {
    settings.push_back("KORVANEX_FAULT_SIGNAL=" + std::to_string(fault.signal_number));
  }
  options.env = FaultLibraryEnv(settings);
  return options;
}

// Two existing bases, GENERAL and SYSOP, and an area list whose first line finds GENERAL
// and whose next three create bases.
struct Scene {
  Scene() {
    existing = BaseRecordBytes("GENERAL", "general", 1) + BaseRecordBytes("SYSOP", "sysop", 2);
    WriteFile(host.mbases_path(), existing);
  }
  Host host;
  std::string existing;
  const std::string areas =
      "!/e/general GENERAL 21:1/100\n!/e/one ONE\n!/e/two TWO 2:5/1\n!/e/three THREE\n";
  // The banner and the area lines of a run where nothing fails, up to its summary.
  const std::string output = kBanner + AreaLine("GENERAL", kExists) + AreaLine("ONE", kCreating) +
                             AreaLine("TWO", kCreating) + AreaLine("THREE", kCreating);
  // What the import writes when nothing fails.
  std::string Complete() {
    Scene clean;
    EXPECT_EQ(clean.host.Import(areas).status, 0);
    return ReadFile(clean.host.mbases_path());
  }
};

TEST(FaultInjection, ErrorNumbersOfFailedReads) {
  const struct {
    int error;
    int number;
  } cases[] = {{ENOENT, 2},  {ENOTDIR, 3},   {ENAMETOOLONG, 3}, {ELOOP, 3},    {EMFILE, 4},
               {ENFILE, 4},  {EACCES, 5},    {EPERM, 5},        {EEXIST, 5},   {EROFS, 5},
               {EBADF, 6},   {EINTR, 101},   {EIO, 101},        {EAGAIN, 101}, {ENOSPC, 101},
               {EPIPE, 101}, {ETXTBSY, 162}, {ENOMEM, 217},     {EFAULT, 217}, {EINVAL, 218}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    Scene scene;
    // The read of mbases.dat fails while it is searched for the first area.
    RunResult run = scene.host.Import(scene.areas, WithFault({"mbases.dat", "read", 1, c.error}));
    ExpectReport(run, c.number, kBanner + AreaHead("GENERAL") + "\r\n");
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), scene.existing);
  }
}

TEST(FaultInjection, ReadsThatEndEarlyAreShortRecords) {
  Scene scene;
  RunResult run = scene.host.Import(scene.areas, WithFault({"ostrel.dat", "read", 1, 0}));
  ExpectReport(run, 100, kBanner);
}

TEST(FaultInjection, FileBrieflyGoneOrCutUnderTheRunIsLookedAtAgain) {
  // mbases.dat is gone from its directory at the look before an area, or shrinks under
  // the tool between its look and its read: another program is replacing or rewriting it.
  for (const Fault& fault :
       {Fault{"mbases.dat", "fstatat", 3, ENOENT}, {"mbases.dat", "read", 1, 0}}) {
    SCOPED_TRACE(fault.op);
    Scene scene;
    const std::string complete = scene.Complete();
    RunResult run = scene.host.Import(scene.areas, WithFault(fault));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, scene.output + Summary(3));
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), complete);
  }
}

TEST(FaultInjection, FailuresOfEachOperationOnMbases) {
  {
    // The open's look at the file it holds.
    Scene scene;
    RunResult run = scene.host.Import(scene.areas, WithFault({"mbases.dat", "fstat", 1, EBADF}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, kBanner + "ERROR: Unable to open mbases.dat\n");
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), scene.existing);
  }
  {
    // The flush to disk after the last new base: the summary never promises bases that
    // may not be on the disk. There is exactly one flush in a run: a second would fail.
    for (int nth : {1, 2}) {
      Scene scene;
      const std::string complete = scene.Complete();
      RunResult run =
          scene.host.Import(scene.areas, WithFault({"mbases.dat", "fdatasync", nth, EIO}));
      if (nth == 1) {
        ExpectReport(run, 101, scene.output);
      } else {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, scene.output + Summary(3));
      }
      EXPECT_EQ(ReadFile(scene.host.mbases_path()), complete);
    }
  }
}

TEST(FaultInjection, MemoryRunningOutIsRuntimeError217) {
  if (getenv("KORVANEX_TEST_WRAPPER") != nullptr) {
    GTEST_SKIP() << "a memory checker's allocator stands in for the fault library's";
  }
  // Whichever allocation finds no memory, the run ends with the report, not a crash.
  int reports = 0;
  for (int nth : {1, 2, 3, 5, 8, 13, 21, 34, 55}) {
    SCOPED_TRACE(nth);
    Scene scene;
    RunResult run = scene.host.Import(scene.areas, WithFault({"", "new", nth}));
    if (run.status == 0) continue;  // the run needed fewer allocations
    ++reports;
    EXPECT_EQ(run.status, 217);
    const size_t at = run.output.find("Runtime error ");
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_TRUE(IsRuntimeErrorReport(run.output.substr(at), 217)) << run.output;
  }
  EXPECT_GT(reports, 0);
}

TEST(FaultInjection, FailedWriteLeavesNoPartOfItsRecord) {
  // The write of TWO fails at once, or after 100 bytes; the run is killed right before it;
  // or the file-size limit stops it after 100 bytes and the run is killed at the sync that
  // comes before its report. Every earlier record stays and no byte of TWO, so the next
  // run ends where an undisturbed run would have. A base's line follows its record.
  const struct {
    Fault fault;
    int status;
    bool two_reported;
    unsigned long size_limit = 0;
  } kCases[] = {
      {{"mbases.dat", "write", 2, ENOSPC}, 101, true},
      {{"mbases.dat", "write", 2, EIO, 100}, 101, true},
      {{"mbases.dat", "write", 2, 0, -1, SIGKILL}, 128 + SIGKILL, false},
      {{"mbases.dat", "fdatasync", 1, 0, -1, SIGKILL}, 128 + SIGKILL, true, 4 * 282 - 182}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fault.op + " " + std::to_string(c.fault.partial));
    Scene scene;
    const std::string complete = scene.Complete();
    RunOptions options = WithFault(c.fault);
    if (c.size_limit > 0) options.limits = {{RLIMIT_FSIZE, c.size_limit}};
    RunResult run = scene.host.Import(scene.areas, options);
    std::string lines = kBanner + AreaLine("GENERAL", kExists) + AreaLine("ONE", kCreating);
    if (c.two_reported) lines += AreaLine("TWO", kCreating);
    if (c.status == 101) {
      ExpectReport(run, 101, lines);
    } else {
      EXPECT_EQ(run.status, c.status);
      EXPECT_EQ(run.output, lines);
    }
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), complete.substr(0, 3 * 282));
    RunResult again = scene.host.Import(scene.areas);
    EXPECT_EQ(again.output, kBanner + AreaLine("GENERAL", kExists) + AreaLine("ONE", kExists) +
                                AreaLine("TWO", kCreating) + AreaLine("THREE", kCreating) +
                                Summary(2));
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), complete);
  }
}

TEST(FaultInjection, FailedReadOfTheAreaListKeepsTheLinesBeforeIt) {
  Scene scene;
  const std::string complete = scene.Complete();
  // The list arrives in one read; the read after it, which would see its end, fails.
  RunResult run = scene.host.Import(scene.areas, WithFault({"AREAS.BBS", "read", 2, EIO}));
  ExpectReport(run, 101, scene.output);
  EXPECT_EQ(ReadFile(scene.host.mbases_path()), complete);

  Scene first;
  RunResult at_once = first.host.Import(first.areas, WithFault({"AREAS.BBS", "read", 1, EINTR}));
  ExpectReport(at_once, 101, kBanner);
  EXPECT_EQ(ReadFile(first.host.mbases_path()), first.existing);
}

TEST(FaultInjection, FailedReadOfTheDefaultsStopsBeforeTheBanner) {
  // A short read is error 100; running out of descriptors or memory while opening the file
  // says nothing about it, so it is no first run either (no settings screen).
  const struct {
    const char* op;
    int error;
    int number;
  } kCases[] = {{"read", EIO, 100},  {"read", EINTR, 100}, {"read", 0, 100},
                {"open", EMFILE, 4}, {"open", ENFILE, 4},  {"open", ENOMEM, 217}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.error));
    Scene scene;
    RunResult run = scene.host.Import(scene.areas, WithFault({"korvanex.cfg", c.op, 1, c.error}));
    ExpectReport(run, c.number, "");
    EXPECT_EQ(ReadFile(scene.host.work + "/korvanex.cfg"), BuiltInDefaultsBytes());
  }
}

TEST(FaultInjection, FailedOpensAreReportedAsSuch) {
  const struct {
    Fault fault;
    std::string message;
  } cases[] = {
      {{"ostrel.dat", "open", 1, EACCES},
       "ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)"},
      {{"AREAS.BBS", "open", 1, EMFILE}, "ERROR: Unable to open AREAS.BBS file (AREAS.BBS)"},
      {{"AREAS.BBS", "fstat", 1, EIO}, "ERROR: Unable to open AREAS.BBS file (AREAS.BBS)"},
      {{"mbases.dat", "open", 1, EMFILE}, "ERROR: Unable to open mbases.dat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault.file + " " + c.fault.op);
    Scene scene;
    RunResult run = scene.host.Import(scene.areas, WithFault(c.fault));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, kBanner + c.message + "\n");
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), scene.existing);
  }
}

TEST(FaultInjection, ReadOnlyFileSystemOpensForReadingAndFailsOnlyTheWrite) {
  {
    // Every area exists: a run on a read-only mbases.dat completes.
    Scene scene;
    RunResult run =
        scene.host.Import("!/e/general GENERAL\n", WithFault({"mbases.dat", "open", 1, EROFS}));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, kBanner + AreaLine("GENERAL", kExists) + Summary(0));
  }
  {
    // A new base cannot be written to a descriptor open for reading only: error 6.
    Scene scene;
    RunResult run = scene.host.Import(scene.areas, WithFault({"mbases.dat", "open", 1, EROFS}));
    ExpectReport(run, 6, kBanner + AreaLine("GENERAL", kExists) + AreaLine("ONE", kCreating));
    EXPECT_EQ(ReadFile(scene.host.mbases_path()), scene.existing);
  }
}

// Saves of korvanex.cfg from configuration mode that fail at one step. The file is
// rewritten in place: a failure before the write keeps the old file whole; a failed flush
// after it is reported all the same.
TEST(FaultInjection, FailedSaveOfTheDefaultsIsReported) {
  const struct {
    Fault fault;
    bool old_kept;
  } kCases[] = {{{"korvanex.cfg", "open", 2, EACCES}, true},
                {{"korvanex.cfg", "write", 1, ENOSPC}, true},
                {{"korvanex.cfg", "fdatasync", 1, EIO}, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fault.op);
    Host host;
    std::string old = BuiltInDefaultsBytes();
    old[1] = 'X';  // a setting of the operator's, to be kept
    old += "trailing bytes the old file had";
    WriteFile(host.work + "/korvanex.cfg", old);
    RunResult run = RunTool({"-CONFIG"}, WithFault(c.fault, RunOptions(host.work, "Q")));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("ERROR: Unable to save korvanex.cfg\n"), std::string::npos);
    EXPECT_EQ(run.output.find("KORVANEX v1.0"), std::string::npos);
    EXPECT_EQ(ReadFile(host.work + "/korvanex.cfg"),
              c.old_kept ? old : old.substr(0, korvanex::kDefaultsRecordSize));
    EXPECT_EQ(Entries(host.work), std::set<std::string>{"korvanex.cfg"});
  }
}

TEST(FaultInjection, FirstSaveLeavesNothingOrTheWholeFile) {
  // Killed at the write or the flush of the new file, or at the flush of the directory
  // after the file got its name; where the file system has no unnamed files, nor links,
  // modes or a rename that will not replace (FAT, SMB), and where the name appeared
  // meanwhile; and with no room for a byte.
  const mode_t mask = umask(022);
  const std::string kNoLinks = "fchmod:38,link:1";
  const struct {
    Fault fault;
    int status;
    bool created;
    bool no_room = false;
    std::string refuse = "";
    int mode = 0644;
  } kCases[] = {{{"*.", "write", 1, 0, -1, SIGKILL}, 128 + SIGKILL, false},
                {{"*.", "fsync", 1, 0, -1, SIGKILL}, 128 + SIGKILL, false},
                {{"*.", "fsync", 1, 0, -1, SIGTERM}, 128 + SIGTERM, false},
                {{"*.", "fsync", 2, 0, -1, SIGKILL}, 128 + SIGKILL, true},
                {{".", "open", 1, EOPNOTSUPP}, 0, true},
                {{".", "open", 1, EOPNOTSUPP}, 1, false, true},
                {{".", "open", 1, EOPNOTSUPP}, 0, true, false, kNoLinks, 0600},
                {{".", "open", 1, EOPNOTSUPP}, 0, true, false, kNoLinks + ",renameat2:22"},
                {{".", "open", 1, EOPNOTSUPP}, 1, false, false, "link:17"},
                {{".", "open", 1, EOPNOTSUPP}, 1, false, false, kNoLinks + ",renameat2:17"},
                {{}, 1, false, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fault.file + " " + c.fault.op + " " + std::to_string(c.fault.nth) + " " +
                 c.refuse);
    Host host;
    std::filesystem::remove(host.work + "/korvanex.cfg");
    RunOptions options = WithFault(c.fault, RunOptions(host.work, "Q"));
    options.env.push_back("KORVANEX_FAULT_REFUSE=" + c.refuse);
    if (c.no_room) options.limits = {{RLIMIT_FSIZE, 0}};
    EXPECT_EQ(RunTool({}, options).status, c.status);
    if (!c.created) {
      EXPECT_EQ(Entries(host.work), std::set<std::string>());
      continue;
    }
    EXPECT_EQ(Entries(host.work), std::set<std::string>{"korvanex.cfg"});
    EXPECT_EQ(ReadFile(host.work + "/korvanex.cfg"), BuiltInDefaultsBytes());
    EXPECT_EQ(std::filesystem::status(host.work + "/korvanex.cfg").permissions(),
              static_cast<std::filesystem::perms>(c.mode));
  }
  umask(mask);
}

TEST(FaultInjection, SaveStoppedOnceItsFileIsOpen) {
  // An existing korvanex.cfg, 0600 with a password: neither it nor anything the save made
  // beside it is open to others. A first save: a file put in its place meanwhile is kept,
  // and the save fails.
  for (const bool first : {false, true}) {
    SCOPED_TRACE(first);
    Host host;
    const std::string path = host.work + "/korvanex.cfg";
    std::string cfg = BuiltInDefaultsBytes();
    PutCounted(&cfg, 84, "SECRET");
    WriteFile(path, cfg);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    if (first) std::filesystem::remove(path);
    const mode_t mask = umask(022);
    // The unnamed new file is opened as "."; the first open of korvanex.cfg loads it.
    Fault fault = first ? Fault{".", "open", 1} : Fault{"*korvanex.cfg", "open", 2};
    fault.signal_number = SIGSTOP;
    PtySession tool({"-CONFIG"}, WithFault(fault, RunOptions(host.work)));
    umask(mask);
    ASSERT_TRUE(tool.WaitFor("Command (Q/Quit): "));
    tool.Send("LQ");
    int status = 0;
    ASSERT_EQ(waitpid(tool.pid(), &status, WUNTRACED), tool.pid());
    ASSERT_TRUE(WIFSTOPPED(status));
    EXPECT_EQ(Entries(host.work, true), std::set<std::string>());
    if (first) WriteFile(path, "planted");
    kill(tool.pid(), SIGCONT);
    EXPECT_EQ(tool.Wait(), first ? 1 : 0);
    cfg[116] = 1;
    EXPECT_EQ(ReadFile(path), first ? "planted" : cfg);
  }
}

// Runs as an unprivileged user, so that permission bits hold even when the tests run as
// root.
class Unprivileged : public ::testing::Test {
 protected:
  void SetUp() override {
    as_root_ = geteuid() == 0;
    // Every directory on the way is opened to others; the files stay root's, 0644.
    for (const std::string& dir : {host_.dir.path(), host_.root, host_.data, host_.work}) {
      chmod(dir.c_str(), 0755);
    }
    // A copy of the tool where the unprivileged user may run it.
    binary_ = host_.dir / "korvanex";
    std::filesystem::copy_file(KORVANEX_BINARY, binary_);
    chmod(binary_.c_str(), 0755);
    WriteFile(host_.work + "/AREAS.BBS", "!/e/general GENERAL\n!/e/new NEW\n");
  }

  // Hands a file or directory to the unprivileged user.
  void GiveAway(const std::string& path) {
    if (as_root_ && chown(path.c_str(), kNobody, kNobody) != 0) FAIL() << "chown " << path;
  }
  // Takes write permission away from everyone (for a non-root run).
  void Protect(const std::string& path) { chmod(path.c_str(), 0444); }

  RunResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    RunOptions options(host_.work, input);
    options.binary = binary_;
    options.unprivileged = true;
    return RunTool(args, options);
  }

  Host host_;
  std::string binary_;
  bool as_root_ = false;
};

TEST_F(Unprivileged, WriteProtectedMbasesDoesNotOpen) {
  const std::string existing = BaseRecordBytes("GENERAL", "general", 1);
  WriteFile(host_.mbases_path(), existing);
  Protect(host_.mbases_path());
  GiveAway(host_.work + "/korvanex.cfg");
  GiveAway(host_.root + "/ostrel.dat");
  RunResult run = Run({host_.root, "AREAS.BBS"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, kBanner + "ERROR: Unable to open mbases.dat\n");
  EXPECT_EQ(ReadFile(host_.mbases_path()), existing);

  // Given the file, the same user imports.
  chmod(host_.mbases_path().c_str(), 0644);
  GiveAway(host_.mbases_path());
  run = Run({host_.root, "AREAS.BBS"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output,
            kBanner + AreaLine("GENERAL", kExists) + AreaLine("NEW", kCreating) + Summary(1));
}

TEST_F(Unprivileged, WriteProtectedOstrelDoesNotOpen) {
  GiveAway(host_.work + "/korvanex.cfg");
  GiveAway(host_.mbases_path());
  const std::string ostrel = ReadFile(host_.root + "/ostrel.dat");
  Protect(host_.root + "/ostrel.dat");
  RunResult run = Run({host_.root, "AREAS.BBS"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, kBanner + "ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)\n");
  EXPECT_EQ(ReadFile(host_.root + "/ostrel.dat"), ostrel);
  EXPECT_EQ(ReadFile(host_.mbases_path()), "");
}

TEST_F(Unprivileged, WriteProtectedDefaultsOpenTheEditorAndAreNotReplaced) {
  GiveAway(host_.mbases_path());
  GiveAway(host_.root + "/ostrel.dat");
  std::string old = BuiltInDefaultsBytes();
  old[1] = 'X';
  WriteFile(host_.work + "/korvanex.cfg", old);
  Protect(host_.work + "/korvanex.cfg");
  // A defaults file that cannot be opened for writing counts as missing: the editor
  // opens instead of an import, and its save fails without touching the file.
  RunResult run = Run({host_.root, "AREAS.BBS"}, "Q");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output.find("KORVANEX v1.0"), std::string::npos);
  EXPECT_NE(run.output.find("ERROR: Unable to save korvanex.cfg\n"), std::string::npos);
  EXPECT_EQ(ReadFile(host_.work + "/korvanex.cfg"), old);
  EXPECT_EQ(ReadFile(host_.mbases_path()), "");
}

TEST_F(Unprivileged, SaveInAReadOnlyDirectoryRewritesTheFile) {
  // The file itself is writable, its directory is not: the file is rewritten in place.
  WriteFile(host_.work + "/korvanex.cfg", BuiltInDefaultsBytes());
  GiveAway(host_.work + "/korvanex.cfg");
  chmod(host_.work.c_str(), 0555);
  RunResult run = Run({"-CONFIG"}, "LQ");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(host_.work + "/korvanex.cfg"), FormatChangedBytes());
}

}  // namespace
}  // namespace korvanex_test
