// Configuration mode of the real binary, typed into on a pseudo-terminal or fed through a
// pipe; the saved korvanex.cfg is checked byte for byte.
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "harness.h"

namespace korvanex_test {
namespace {

const char kPrompt[] = "Command (Q/Quit): ";
const char kEndedLine[] = "ERROR: Keyboard input ended; settings not saved";

namespace d = korvanex::defaults_field;
constexpr size_t kListACS = d::kListACS.offset, kPostACS = d::kPostACS.offset;
constexpr size_t kSysopACS = d::kSysopACS.offset, kPassword = d::kPassword.offset;
constexpr size_t kHeaderFile = d::kHeaderFile.offset;
using d::kBaseFormat, d::kDefNewScan, d::kDefQwkScan, d::kMaxMsgAge, d::kMaxMsgs, d::kRealNames;

void PutFixed16(std::string* bytes, size_t offset, uint16_t value) {
  (*bytes)[offset] = static_cast<char>(value & 0xFF);
  (*bytes)[offset + 1] = static_cast<char>(value >> 8);
}

struct Session {
  int status = -1;
  std::string screen;  // everything the terminal received
  std::string cfg;     // korvanex.cfg afterwards
};

// Starts "korvanex -config" in `dir` on a terminal, types `keys` once the screen is up and
// waits for the end.
Session TypeKeys(const TempDir& dir, const std::string& keys,
                 const std::vector<std::string>& args = {"-config"}) {
  PtySession tool(args, RunOptions(dir.path()));
  Session session;
  if (!tool.WaitFor(kPrompt)) return session;
  tool.Send(keys);
  session.status = tool.Wait();
  session.screen = tool.output();
  session.cfg = ReadFile(dir / "korvanex.cfg");
  return session;
}

// The same from a korvanex.cfg holding `cfg`, for keys that end with a save.
Session Edit(const std::string& cfg, const std::string& keys) {
  TempDir dir;
  WriteFile(dir / "korvanex.cfg", cfg);
  Session session = TypeKeys(dir, keys);
  EXPECT_EQ(session.status, 0) << session.screen;
  return session;
}

// The file after such an edit.
std::string EditDefaults(const std::string& cfg, const std::string& keys) {
  return Edit(cfg, keys).cfg;
}

TEST(ConfigFirstRun, SavingAtOnceWritesTheBuiltInDefaults) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"root", "AREAS.BBS"}}) {
    TempDir dir;
    Session session = TypeKeys(dir, "q", args);
    EXPECT_EQ(session.status, 0);
    EXPECT_EQ(ReadFile(dir / "korvanex.cfg"), BuiltInDefaultsBytes());
    // Nothing is written after the prompt, and no banner ever.
    EXPECT_EQ(session.screen.substr(session.screen.size() - 18), kPrompt);
    EXPECT_EQ(session.screen.find("KORVANEX v1.0"), std::string::npos);
  }
}

TEST(ConfigFirstRun, ConfigSwitchWithoutAFileStartsFromBuiltIns) {
  TempDir dir;
  Session session = TypeKeys(dir, "Q", {"-CoNfIg"});
  EXPECT_EQ(session.status, 0);
  EXPECT_EQ(ReadFile(dir / "korvanex.cfg"), BuiltInDefaultsBytes());
}

TEST(ConfigToggles, CycleThroughTheirValues) {
  std::string expected = BuiltInDefaultsBytes();
  expected[kRealNames] = 0;
  expected[kDefNewScan] = 2;
  expected[kDefQwkScan] = 0;
  expected[kBaseFormat] = 1;
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(), "FGHHLq"), expected);
  // Back where they started: F twice, G three times, L twice.
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(), "FFGGGLLq"), BuiltInDefaultsBytes());
}

TEST(ConfigToggles, OutOfRangeFlagsComeBackIntoRange) {
  std::string cfg = BuiltInDefaultsBytes();
  cfg[kRealNames] = 7;
  cfg[kDefNewScan] = 7;
  cfg[kDefQwkScan] = 3;
  cfg[kBaseFormat] = static_cast<char>(255);
  std::string expected = cfg;
  expected[kRealNames] = 0;
  expected[kDefNewScan] = 0;
  expected[kDefQwkScan] = 0;
  expected[kBaseFormat] = 0;
  EXPECT_EQ(EditDefaults(cfg, "FGHLq"), expected);
}

TEST(ConfigText, BackspaceEnterAndEscape) {
  std::string expected = BuiltInDefaultsBytes();
  PutCounted(&expected, kListACS, "abc");  // s20 erased, abc typed
  PutCounted(&expected, kPostACS, "s2");   // the terminal's 127 erases too
  PutCounted(&expected, kHeaderFile, "");  // Backspace in an empty field does nothing
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(),
                         "A\x08\x08\x08"
                         "abc\r"
                         "Bxyz\x08\x1b"
                         "C\x7f\r"
                         "K\x08\x08\r"
                         "q"),
            expected);
}

TEST(ConfigText, ShortenedValueLeavesItsOldCharactersBehind) {
  std::string cfg = EditDefaults(BuiltInDefaultsBytes(), "D\x08\x08\rq");
  EXPECT_EQ(cfg.substr(kSysopACS, 6), std::string("\x02s255\0", 6));
}

TEST(ConfigText, TypingStopsAtTheMaximumLength) {
  std::string expected = BuiltInDefaultsBytes();
  PutCounted(&expected, kListACS, "s20" + std::string(17, 'x'));
  PutCounted(&expected, kPassword, std::string(15, 'P'));
  PutCounted(&expected, kHeaderFile, std::string(8, 'h'));
  PutFixed16(&expected, kMaxMsgs, 5001);  // "500" has room for one digit more
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(),
                         "A" + std::string(25, 'x') + "\r" + "E" + std::string(20, 'p') + "\r" +
                             "K" + std::string(10, 'h') + "\r" + "I" + "12345\r" + "q"),
            expected);
}

TEST(ConfigPassword, StoredInUpperCase) {
  Session session = Edit(BuiltInDefaultsBytes(),
                         "Ese|cret\r"
                         "q");
  EXPECT_EQ(CountedAt(session.cfg, kPassword), "SE|CRET");
  // Typed in lower case, shown in upper case after the redraw.
  const size_t typed = session.screen.find("e|cret");
  ASSERT_NE(typed, std::string::npos);
  EXPECT_NE(session.screen.find("E. Password      : SE|CRET", typed), std::string::npos);
}

TEST(ConfigPassword, EscapeStillUpperCasesALoadedPassword) {
  std::string cfg = BuiltInDefaultsBytes();
  PutCounted(&cfg, kPassword, "lower1");
  std::string expected = cfg;
  PutCounted(&expected, kPassword, "LOWER1");
  EXPECT_EQ(EditDefaults(cfg, "Eab\x1bq"), expected);
}

TEST(ConfigNumbers, EntriesConvertThroughTextToInt) {
  const std::pair<std::string, uint16_t> kCases[] = {{"1000", 1000}, {"", 0},      {"12x", 0},
                                                     {"-1", 65535},  {"$FF", 255}, {" 7", 7},
                                                     {"7 ", 0},      {"%101", 5}};
  for (const auto& [typed, stored] : kCases) {
    std::string cfg = EditDefaults(BuiltInDefaultsBytes(), "I\x08\x08\x08" + typed + "\rq");
    EXPECT_EQ(Fixed16At(cfg, kMaxMsgs), stored) << typed;
  }
}

TEST(ConfigNumbers, FiveDigitValueIsShownWholeAndKept) {
  std::string cfg = BuiltInDefaultsBytes();
  PutFixed16(&cfg, kMaxMsgs, 65535);
  PutFixed16(&cfg, kMaxMsgAge, 40000);
  Session session = Edit(cfg,
                         "I9\rJ1\x08\x08"
                         "5\x1bq");
  EXPECT_EQ(session.cfg, cfg);
  EXPECT_NE(session.screen.find("\x1b[11;20H65535"), std::string::npos);
  EXPECT_EQ(session.screen.find("655359"), std::string::npos);
}

TEST(ConfigKeys, SpecialKeysActAsTheLetterOfTheirScanCode) {
  std::string expected = BuiltInDefaultsBytes();
  expected[kDefQwkScan] = 0;                 // Up twice (H): Yes, Forced, No
  expected[kDefNewScan] = 2;                 // Home (G)
  PutCounted(&expected, kHeaderFile, "hd");  // Left (K) opens the header file
  PutFixed16(&expected, kMaxMsgs, 77);       // Page Up (I) opens Max Msgs
  // Down (P), Right (M) and End (O) only redraw; Page Down (Q) saves.
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(),
                         "\x1b[A\x1bOA\x1b[H\x1b[Dhd\r\x1b[5~\x08\x08\x08"
                         "77\r"
                         "\x1b[B\x1b[C\x1b[F\x1b[4~\x1b[6~"),
            expected);
}

TEST(ConfigKeys, LowerCaseLettersActAsCapitals) {
  std::string expected = BuiltInDefaultsBytes();
  PutCounted(&expected, kListACS, "s20low");
  expected[kRealNames] = 0;
  expected[kBaseFormat] = 1;
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(), "alow\rflq"), expected);
}

TEST(ConfigKeys, KeysWithoutMeaningOnlyRedraw) {
  // Digits, Enter, the blank, Ctrl+C, M to P, a lone Escape, F5 and Insert.
  const std::string keys = "19\r \x03MNOPmnop\x1b";
  Session session = Edit(BuiltInDefaultsBytes(), keys + "\x1b[15~\x1b[2~q");
  EXPECT_EQ(session.cfg, BuiltInDefaultsBytes());
  // One screen at the start, one per key, two per special key.
  EXPECT_EQ(Count(session.screen, "\x1b[H\x1b[2J"), 1 + keys.size() + 4);
}

TEST(ConfigKeys, CtrlCIsAppendedInAField) {
  std::string expected = BuiltInDefaultsBytes();
  PutCounted(&expected, kHeaderFile,
             "a\x03"
             "b");
  EXPECT_EQ(EditDefaults(BuiltInDefaultsBytes(),
                         "Ka\x03"
                         "b\rq"),
            expected);
}

TEST(ConfigEnd, FailedSaveIsReported) {
  for (const bool device : {false, true}) {
    TempDir dir;
    WriteFile(dir / "korvanex.cfg", BuiltInDefaultsBytes());
    PtySession tool({"-config"}, RunOptions(dir.path()));
    ASSERT_TRUE(tool.WaitFor(kPrompt));
    // A directory, or a link to a device, now stands where the file was: no file to save.
    std::filesystem::remove(dir / "korvanex.cfg");
    if (device) {
      std::filesystem::create_symlink("/dev/null", dir / "korvanex.cfg");
    } else {
      std::filesystem::create_directory(dir / "korvanex.cfg");
    }
    tool.Send("Fq");
    EXPECT_EQ(tool.Wait(), 1);
    const std::string tail = std::string(kPrompt) + "\r\nERROR: Unable to save korvanex.cfg\r\n";
    ASSERT_GE(tool.output().size(), tail.size());
    EXPECT_EQ(tool.output().substr(tool.output().size() - tail.size()), tail);
  }
}

// Saves "-CONFIG" with the keys L and Q in `dir`; returns the exit status.
int SaveFormatChange(const std::string& dir, RunOptions options = {},
                     std::vector<std::string> args = {"-CONFIG"}) {
  options.cwd = dir;
  options.input = "LQ";
  return RunTool(args, options).status;
}

TEST(ConfigEnd, SaveRewritesTheSameFile) {
  // A hard link from another directory sees the new settings; inode and mode stay.
  TempDir dir;
  std::filesystem::create_directory(dir / "other");
  WriteFile(dir / "korvanex.cfg", BuiltInDefaultsBytes() + "tail");
  ASSERT_EQ(link((dir / "korvanex.cfg").c_str(), (dir / "other/linked.cfg").c_str()), 0);
  ASSERT_EQ(chmod((dir / "korvanex.cfg").c_str(), 0640), 0);
  struct stat before = {}, after = {};
  ASSERT_EQ(stat((dir / "korvanex.cfg").c_str(), &before), 0);
  EXPECT_EQ(SaveFormatChange(dir.path()), 0);
  EXPECT_EQ(ReadFile(dir / "other/linked.cfg"), FormatChangedBytes());
  ASSERT_EQ(stat((dir / "korvanex.cfg").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode, before.st_mode);
}

TEST(ConfigEnd, SaveByAGroupMemberKeepsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as users 1001 and 1002";
  TempDir dir;
  const std::string work = dir / "work", cfg = work + "/korvanex.cfg", binary = dir / "korvanex";
  std::filesystem::create_directory(work);
  std::filesystem::copy_file(KORVANEX_BINARY, binary);
  WriteFile(cfg, BuiltInDefaultsBytes());
  for (const std::string& path : {work, cfg}) ASSERT_EQ(chown(path.c_str(), 1001, 2000), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(work.c_str(), 0770), 0);
  ASSERT_EQ(chmod(cfg.c_str(), 0660), 0);
  // User 1002, a member of group 2000, saves the settings of user 1001.
  const pid_t pid = fork();
  if (pid == 0) {
    const gid_t group = 2000;
    if (setgroups(1, &group) != 0 || setgid(1002) != 0 || setuid(1002) != 0) _exit(125);
    RunOptions options;
    options.binary = binary;
    _exit(SaveFormatChange(work, options));
  }
  int status = -1;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(cfg), FormatChangedBytes());
  struct stat after = {};
  ASSERT_EQ(stat(cfg.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 1001u);
  EXPECT_EQ(after.st_gid, 2000u);
  EXPECT_EQ(after.st_mode & 07777, 0660u);
}

TEST(ConfigEnd, BindMountedFileIsSaved) {
  RunOptions unshare;
  unshare.binary = "unshare";
  if (geteuid() != 0 || RunTool({"--mount", "true"}, unshare).status != 0) {
    GTEST_SKIP() << "needs root and a mount namespace of its own";
  }
  TempDir dir;
  WriteFile(dir / "korvanex.cfg", BuiltInDefaultsBytes());
  WriteFile(dir / "shared.cfg", BuiltInDefaultsBytes());
  // In a mount namespace of its own, shared.cfg is mounted over korvanex.cfg.
  EXPECT_EQ(SaveFormatChange(
                dir.path(), unshare,
                {"--mount", "sh", "-c",
                 "mount --bind shared.cfg korvanex.cfg && exec \"$0\" -CONFIG", KORVANEX_BINARY}),
            0);
  EXPECT_EQ(ReadFile(dir / "shared.cfg"), FormatChangedBytes());
  EXPECT_EQ(ReadFile(dir / "korvanex.cfg"), BuiltInDefaultsBytes());
}

TEST(ConfigEnd, ClosedTerminalEndsWithoutSaving) {
  for (const std::string& keys : {std::string("F"), std::string("Axyz")}) {
    TempDir dir;
    const std::string cfg = FormatChangedBytes();
    WriteFile(dir / "korvanex.cfg", cfg);
    PtySession tool({"-config"}, RunOptions(dir.path()));
    // What the terminal showed goes with a failure, so that a slow start can be told from a hang.
    ASSERT_TRUE(tool.WaitFor(kPrompt)) << tool.output();
    tool.Send(keys);
    ASSERT_TRUE(tool.WaitFor(keys == "F" ? "Real Names    : No" : "xyz")) << tool.output();
    tool.CloseInput();
    EXPECT_EQ(tool.Wait(), 1) << keys;
    EXPECT_EQ(ReadFile(dir / "korvanex.cfg"), cfg) << keys;
  }
}

TEST(ConfigEnd, EndOfPipedInputEndsWithoutSaving) {
  for (const std::string& keys :
       {std::string(), std::string("FL"), std::string("Axyz"), std::string("I12")}) {
    TempDir dir;
    RunOptions options(dir.path(), keys);
    options.closed_input = keys.empty();
    RunResult run = RunTool({"-config"}, options);
    EXPECT_EQ(run.status, 1) << keys;
    const std::string tail = std::string(kPrompt) + "\n" + kEndedLine + "\n";
    ASSERT_GE(run.output.size(), tail.size()) << keys;
    EXPECT_EQ(run.output.substr(run.output.size() - tail.size()), tail) << keys;
    // A first run stays a first run.
    EXPECT_FALSE(FileExists(dir / "korvanex.cfg")) << keys;
  }
}

TEST(ConfigPipe, ScriptedKeysWork) {
  TempDir dir;
  WriteFile(dir / "korvanex.cfg", BuiltInDefaultsBytes());
  RunOptions options(dir.path(),
                     "Eab\rI\x1b[3~\x08\x08\x08"
                     "9\r\x1b[AQ");
  RunResult run = RunTool({"-CONFIG"}, options);
  EXPECT_EQ(run.status, 0);
  std::string expected = BuiltInDefaultsBytes();
  PutCounted(&expected, kPassword, "AB");
  PutFixed16(&expected, kMaxMsgs, 59);  // Delete in a field is 0 and "S"; the 0 fits
  expected[kDefQwkScan] = 2;
  EXPECT_EQ(ReadFile(dir / "korvanex.cfg"), expected);
  EXPECT_EQ(run.output.substr(run.output.size() - 18), kPrompt);
}

// Runs the tool under a shell on a terminal that records the terminal's settings before
// and after; `signal_number` (when not 0) is sent to the tool once its screen is up.
struct ModesRun {
  int status = -1;
  std::string before, after, screen;
};

ModesRun RunRecordingModes(const std::string& keys, int signal_number,
                           const std::string& shell_limit) {
  TempDir dir;
  WriteFile(dir / "korvanex.cfg", BuiltInDefaultsBytes());
  RunOptions options(dir.path());
  options.binary = "/bin/sh";
  // Standard input is handed over explicitly: a background job would get /dev/null.
  const std::string script = "stty -g > before; exec 3<&0; (" + shell_limit + " exec '" +
                             std::string(KORVANEX_BINARY) +
                             "' -config <&3) & echo \"pid=$!#\"; wait $!; echo \"status=$?#\"; "
                             "stty -g > after";
  PtySession shell({"-c", script}, options);
  ModesRun run;
  // The screen has no "#", so it ends the process number whatever came first.
  if (!shell.WaitFor(kPrompt) || !shell.WaitFor("#")) return run;
  const size_t at = shell.output().find("pid=");
  if (at == std::string::npos) return run;
  const pid_t pid = static_cast<pid_t>(std::stoi(shell.output().substr(at + 4)));
  shell.Send(keys);
  if (signal_number != 0) kill(pid, signal_number);
  if (!shell.WaitFor("status=")) return run;
  shell.Wait();
  run.screen = shell.output();
  const size_t status_at = shell.output().find("status=");
  run.status = std::stoi(shell.output().substr(status_at + 7));
  run.before = ReadFile(dir / "before");
  run.after = ReadFile(dir / "after");
  return run;
}

TEST(ConfigTerminal, SettingsComeBackOnEveryWayOut) {
  // Memory runs out while the screen is redrawn for the third key or so.
  std::string out_of_memory = "export";
  for (const std::string& setting :
       FaultLibraryEnv({"KORVANEX_FAULT_OP=new", "KORVANEX_FAULT_NTH=150"})) {
    out_of_memory += " '" + setting + "'";
  }
  const struct {
    const char* name;
    std::string keys;
    int signal_number;
    int status;
    std::string shell_limit;
  } kCases[] = {
      {"save", "q", 0, 0, ""},
      {"terminate", "Axy", SIGTERM, 128 + SIGTERM, ""},
      {"hang-up", "Axy", SIGHUP, 1, ""},
      {"user signal", "F", SIGUSR1, 128 + SIGUSR1, ""},
      {"alarm", "", SIGALRM, 128 + SIGALRM, ""},
      {"failed save", "q", 0, 1, "ulimit -f 0;"},
      {"out of memory", std::string(20, 'L'), 0, 217, out_of_memory + ";"},
  };
  for (const auto& c : kCases) {
    ModesRun run = RunRecordingModes(c.keys, c.signal_number, c.shell_limit);
    EXPECT_EQ(run.status, c.status) << c.name << run.screen;
    EXPECT_FALSE(run.before.empty()) << c.name;
    EXPECT_EQ(run.after, run.before) << c.name;
    if (c.signal_number == SIGHUP) {
      EXPECT_NE(run.screen.find(kEndedLine), std::string::npos) << c.name;
    }
  }
}

}  // namespace
}  // namespace korvanex_test
