// The frame of a run: command line, banner, usage, the failed opens and the summary.
#include <filesystem>

#include "gtest/gtest.h"
#include "harness.h"

namespace korvanex_test {
namespace {

const char kUsage[] =
    "              : KORVANEXS -CONFIG\n"
    "              : KORVANEXS [root ostrel dir] [filename to import]\n";

TEST(CommandLine, WrongArgumentCountsShowUsage) {
  Host host;
  const RunOptions options(host.work);
  for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                {host.root},
                                                                {host.root, "AREAS.BBS", "extra"},
                                                                {"-CONFIG2"},
                                                                {"--CONFIG"},
                                                                {"CONFIG"},
                                                                {"-CONFIG2", "x", "y"}}) {
    WriteFile(host.work + "/AREAS.BBS", "");
    RunResult run = RunTool(args, options);
    EXPECT_EQ(run.status, 1) << args.size();
    EXPECT_EQ(run.output, kBanner + kUsage);
    EXPECT_EQ(run.error, "");
  }
}

TEST(CommandLine, EmptyAreaListImportsNothing) {
  Host host;
  RunResult run = host.Import("");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, kBanner + Summary(0));
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(ReadFile(host.mbases_path()), "");
}

TEST(CommandLine, RootSlashFormsAllFindOstrel) {
  Host host;
  WriteFile(host.work + "/AREAS.BBS", "");
  const RunOptions options(host.work);
  for (const std::string& root : {host.root, host.root + "/", host.root + "///"}) {
    RunResult run = RunTool({root, "AREAS.BBS"}, options);
    EXPECT_EQ(run.status, 0) << root << run.output;
  }
  // An empty root names /ostrel.dat, which does not exist here.
  RunResult run = RunTool({"", "AREAS.BBS"}, options);
  if (!FileExists("/ostrel.dat")) {
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, kBanner + "ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)\n");
  }
}

TEST(OpenErrors, EachFileHasItsOwnLine) {
  Host host;
  WriteFile(host.work + "/AREAS.BBS", "");
  const RunOptions options(host.work);

  RunResult no_root = RunTool({host.dir / "nowhere", "AREAS.BBS"}, options);
  EXPECT_EQ(no_root.status, 1);
  EXPECT_EQ(no_root.output, kBanner + "ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)\n");

  RunResult no_list = RunTool({host.root, "MY AREAS.BBS"}, options);
  EXPECT_EQ(no_list.status, 1);
  EXPECT_EQ(no_list.output, kBanner + "ERROR: Unable to open AREAS.BBS file (MY AREAS.BBS)\n");
  // The name is shown as a tag is: a control byte of it never reaches the terminal.
  RunResult escaped = RunTool({host.root, "x\x1b]2;t\x07\x9b"}, options);
  EXPECT_EQ(escaped.output, kBanner + "ERROR: Unable to open AREAS.BBS file (x?]2;t?\?)\n");

  std::filesystem::create_directory(host.work + "/LISTDIR");
  RunResult list_is_directory = RunTool({host.root, "LISTDIR"}, options);
  EXPECT_EQ(list_is_directory.status, 1);
  EXPECT_EQ(list_is_directory.output, kBanner + "ERROR: Unable to open AREAS.BBS file (LISTDIR)\n");

  std::filesystem::remove(host.mbases_path());
  RunResult no_mbases = RunTool({host.root, "AREAS.BBS"}, options);
  EXPECT_EQ(no_mbases.status, 1);
  EXPECT_EQ(no_mbases.output, kBanner + "ERROR: Unable to open mbases.dat\n");
  EXPECT_FALSE(FileExists(host.mbases_path())) << "mbases.dat must never be created";
}

TEST(OpenErrors, DataPathIsJoinedWithoutSeparator) {
  Host host;
  HostSetup fields;
  fields.data_path = host.data.substr(0, host.data.size() - 1);  // no trailing "/"
  WriteFile(host.root + "/ostrel.dat", HostConfigBytes(fields));
  // The tool looks for ".../datambases.dat".
  RunResult missing = host.Import("");
  EXPECT_EQ(missing.output, kBanner + "ERROR: Unable to open mbases.dat\n");
  WriteFile(fields.data_path + "mbases.dat", "");
  EXPECT_EQ(host.Import("").status, 0);
}

TEST(Output, RedirectedOutputHasNoEscapeSequences) {
  Host host;
  RunResult run = host.Import("!/e/general GENERAL 21:1/100\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
  EXPECT_NE(run.output.find(kCreating), std::string::npos);
}

TEST(Output, TerminalGetsExactColourSequences) {
  Host host;
  WriteFile(host.work + "/AREAS.BBS", "!/e/general GENERAL\n!/e/general AGAIN\n");
  PtySession session({host.root, "AREAS.BBS"}, RunOptions(host.work));
  ASSERT_EQ(session.Wait(), 0);
  // The terminal turns LF into CR LF on output.
  const std::string tag = std::string("GENERAL") + std::string(55, ' ');
  const std::string again = std::string("AGAIN") + std::string(57, ' ');
  const std::string expected =
      "\x1b[m\r\nKORVANEX v1.0 : Imports AREAS.BBS File Into Ostrel\r\n"
      "              : Compatible with Ostrel BBS v1.07.2\r\n\r\n"
      "\x1b[1;30m- \x1b[mArea\x1b[1;30m: \x1b[0;1m" +
      tag +
      "\x1b[0;1;32mCreating\r\r\n"
      "\x1b[0;1;30m- \x1b[mArea\x1b[1;30m: \x1b[0;1m" +
      again +
      "\x1b[0;1;31mExists\r\r\n"
      "\r\n"
      "\x1b[mComplete; Imported \x1b[1m1 \x1b[mbases.\r\r\n";
  EXPECT_EQ(session.output(), expected);
}

TEST(RuntimeError, ShortDefaultsFileEndsTheRunBeforeTheBanner) {
  Host host;
  for (const std::string& bytes : {std::string(), std::string(116, 's')}) {
    WriteFile(host.work + "/korvanex.cfg", bytes);
    RunResult run = host.Import("!/e/general GENERAL\n");
    ExpectReport(run, 100, "");
    EXPECT_EQ(ReadFile(host.work + "/korvanex.cfg"), bytes);
  }
  std::filesystem::remove(host.work + "/korvanex.cfg");
  std::filesystem::create_directory(host.work + "/korvanex.cfg");
  RunResult run = host.Import("");
  ExpectReport(run, 100, "");
}

TEST(RuntimeError, ShortOstrelEndsTheRunBeforeTheAreaListIsOpened) {
  Host host;
  WriteFile(host.root + "/ostrel.dat", std::string(1823, '\0'));
  RunResult run = RunTool({host.root, "NO-SUCH-LIST"}, RunOptions(host.work));
  ExpectReport(run, 100, kBanner);
}

}  // namespace
}  // namespace korvanex_test
