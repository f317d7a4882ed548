// Configuration mode as a real terminal emulator shows it: the tool runs in a tmux pane of
// 80 x 25 and the captured screen is compared row by row.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "harness.h"

namespace korvanex_test {
namespace {

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A tmux server of our own on a private socket, gone with the object.
class Tmux {
 public:
  explicit Tmux(const TempDir& dir) : dir_(dir) {
    static int sessions = 0;
    socket_ = "korvanex-test-" + std::to_string(getpid()) + "-" + std::to_string(++sessions);
    WriteFile(dir / "tmux.conf", "set -g status off\n");
  }
  ~Tmux() { Run("kill-server"); }

  std::string Run(const std::string& arguments) {
    return Shell("env -u TMUX tmux -L " + socket_ + " -f " + Quoted(dir_ / "tmux.conf") + " " +
                 arguments + " 2>&1");
  }
  void Start(const std::string& script) {
    WriteFile(dir_ / "run.sh", script);
    Run("new-session -d -x 80 -y 25 -c " + Quoted(dir_.path()) + " 'sh run.sh'");
  }
  void Keys(const std::string& keys) { Run("send-keys -t 0 " + keys); }
  void Literal(const std::string& text) { Run("send-keys -t 0 -l " + Quoted(text)); }
  // The 25 rows of the pane, trailing blanks dropped.
  std::vector<std::string> Screen() {
    std::vector<std::string> rows;
    std::string captured = Run("capture-pane -p -t 0");
    size_t start = 0;
    while (start < captured.size() && rows.size() < 25) {
      size_t end = captured.find('\n', start);
      if (end == std::string::npos) end = captured.size();
      std::string row = captured.substr(start, end - start);
      while (!row.empty() && row.back() == ' ') row.pop_back();
      rows.push_back(row);
      start = end + 1;
    }
    rows.resize(25);
    return rows;
  }
  // Waits until row `row` (1-based) reads `text`.
  bool WaitForRow(int row, const std::string& text) {
    return WaitUntil([&] { return Screen()[static_cast<size_t>(row - 1)] == text; });
  }
  // Waits until the pane shows `rows`.
  bool WaitForScreen(const std::vector<std::string>& rows) {
    return WaitUntil([&] { return Screen() == rows; });
  }
  std::string Cursor() { return Run("display-message -p -t 0 '#{cursor_x},#{cursor_y}'"); }

 private:
  const TempDir& dir_;
  std::string socket_;
};

std::vector<std::string> ExpectedScreen(const std::vector<std::string>& values) {
  const char* const kLabels[] = {
      "A. List ACS      : ", "B. Read ACS      : ", "C. Post ACS      : ", "D. Sysop ACS     : ",
      "E. Password      : ", "F. Real Names    : ", "G. Def. New Scan : ", "H. Def. QWK Scan : ",
      "I. Max Msgs      : ", "J. Max Msg Age   : ", "K. Header File   : ", "L. Base Format   : "};
  std::vector<std::string> rows = {"Configuration mode: Define default base settings", ""};
  for (size_t i = 0; i < 12; ++i) {
    std::string row = kLabels[i] + values[i];
    while (!row.empty() && row.back() == ' ') row.pop_back();
    rows.push_back(row);
  }
  rows.push_back("");
  rows.push_back("Command (Q/Quit):");
  rows.resize(25);
  return rows;
}

TEST(ConfigScreenTmux, ScreenMatchesTheLayoutRowByRow) {
  if (system("command -v tmux > /dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  Tmux tmux(dir);
  // The settings after the run are written before the status that the test waits for.
  tmux.Start("stty -g > before\n" + Quoted(KORVANEX_BINARY) +
             " -config\nstatus=$?\nstty -g > after\necho \"status=$status\"\nsleep 60\n");

  ASSERT_TRUE(tmux.WaitForRow(16, "Command (Q/Quit):")) << tmux.Run("capture-pane -p -t 0");
  const std::vector<std::string> first =
      ExpectedScreen({"s20", "s20", "s20", "s255", "", "Yes", "Yes", "Yes", "500", "0", "", "JAM"});
  tmux.WaitForScreen(first);
  EXPECT_EQ(tmux.Screen(), first);
  // The cursor waits in column 19 of row 16 (0-based 18, 15).
  WaitUntil([&] { return tmux.Cursor() == "18,15\n"; });
  EXPECT_EQ(tmux.Cursor(), "18,15\n");

  // In a field the cursor stands after the value, in column 20 plus its length.
  tmux.Keys("a");
  WaitUntil([&] { return tmux.Cursor() == "22,2\n"; });
  EXPECT_EQ(tmux.Cursor(), "22,2\n");
  tmux.Keys("BSpace BSpace");
  tmux.Literal("|07x");
  tmux.Keys("Enter");
  tmux.Keys("E");
  tmux.Literal("secret");
  tmux.Keys("Enter Up Left");
  tmux.Literal("hdr");
  tmux.Keys("Enter F PageUp BSpace BSpace BSpace BSpace");
  tmux.Literal("65536");
  tmux.Keys("Enter L");
  ASSERT_TRUE(tmux.WaitForRow(14, "L. Base Format   : Squish")) << tmux.Run("capture-pane -p");
  const std::vector<std::string> edited =
      ExpectedScreen({"s|07x", "s20", "s20", "s255", "SECRET", "No", "Yes", "Forced", "6553", "0",
                      "hdr", "Squish"});
  tmux.WaitForScreen(edited);
  EXPECT_EQ(tmux.Screen(), edited);

  tmux.Keys("q");
  ASSERT_TRUE(tmux.WaitForRow(16, "Command (Q/Quit): status=0"));
  EXPECT_EQ(ReadFile(dir / "after"), ReadFile(dir / "before"));
  const std::string cfg = ReadFile(dir / "korvanex.cfg");
  ASSERT_EQ(cfg.size(), 117u);
  EXPECT_EQ(CountedAt(cfg, 0), "s|07x");
  EXPECT_EQ(CountedAt(cfg, 84), "SECRET");
  EXPECT_EQ(CountedAt(cfg, 107), "hdr");
  EXPECT_EQ(Fixed16At(cfg, 103), 6553);
}

}  // namespace
}  // namespace korvanex_test
