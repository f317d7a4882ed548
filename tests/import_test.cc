// Imports end to end: the console lines and the exact bytes appended to mbases.dat.
#include <string>

#include "gtest/gtest.h"
#include "harness.h"

namespace korvanex_test {
namespace {

uint16_t LastIndex(const std::string& mbases) { return Fixed16At(mbases, mbases.size() - 2); }

TEST(Import, NewBaseOnAnEmptyFileHoldsEveryField) {
  Host host;
  HostSetup fields;
  fields.data_path = host.data;
  fields.msgbase_path = "/bbs/msgs/";
  fields.zones = {21, 2};
  fields.default_text = "Default text";
  fields.default_bytes = {0x11, 0x22, 0x33, 0x44};
  WriteFile(host.root + "/ostrel.dat", HostConfigBytes(fields));

  RunResult run = host.Import("!/home/bbs/echo/general GENERAL\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, kBanner + AreaLine("GENERAL", kCreating) + Summary(1));

  std::string expected(282, '\0');
  auto put = [&expected](size_t offset, const std::string& text) {
    PutCounted(&expected, offset, text);
  };
  put(0, "GENERAL");
  put(41, "GENERAL");
  put(55, "general");
  put(64, "/bbs/msgs/");
  expected[105] = 0;  // JAM
  expected[106] = 1;
  expected[107] = 0;
  put(108, "s20");
  put(129, "s20");
  put(150, "s20");
  put(171, "s255");
  expected.replace(208, 4, "\x11\x22\x33\x44");
  expected[212] = 1;
  put(213, "Default text");
  expected.replace(264, 3, "\x01\x01\x01");
  expected.replace(267, 4, std::string("\xF4\x01\x00\x00", 4));
  expected.replace(280, 2, std::string("\x01\x00", 2));
  EXPECT_EQ(ReadFile(host.mbases_path()), expected);
}

TEST(Import, LowestFreeIndexFromRecordCountUp) {
  struct Case {
    std::vector<uint16_t> existing;
    uint16_t expected;
  };
  for (const Case& c : {Case{{1, 2, 5}, 4}, Case{{4, 5, 6}, 7}, Case{{2, 3}, 4}, Case{{0xFFFF}, 2},
                        Case{{0xFFFF, 2}, 3}, Case{{}, 1}}) {
    Host host;
    WriteFile(host.mbases_path(), BasesBytes(c.existing));
    RunResult run = host.Import("!/e/newbase NEW\n");
    ASSERT_EQ(run.status, 0);
    const std::string mbases = ReadFile(host.mbases_path());
    ASSERT_EQ(mbases.size(), 282 * (c.existing.size() + 1));
    EXPECT_EQ(LastIndex(mbases), c.expected) << c.existing.size();
  }
}

TEST(Import, StrayBytesAfterTheLastRecordAreOverwritten) {
  Host host;
  const std::string old = BasesBytes({1, 2});
  WriteFile(host.mbases_path(), old + std::string(100, 'Z'));
  StampLongAgo(host.mbases_path());
  ASSERT_EQ(host.Import("!/e/newbase NEW\n").status, 0);
  const std::string mbases = ReadFile(host.mbases_path());
  ASSERT_EQ(mbases.size(), 282u * 3);
  EXPECT_EQ(mbases.substr(0, old.size()), old);
  EXPECT_EQ(LastIndex(mbases), 3);
}

TEST(Import, SecondRunFindsEveryBase) {
  Host host;
  const std::string areas =
      "; comment\n"
      "!/e/general GENERAL 21:1/100\r\n"
      "!/e/Tech TECH 2:5020/1\n"
      "/e/unmarked UNMARKED\n"
      "!/e/netmail NETMAIL\n"
      "!/e/mixed Mixed";
  RunResult first = host.Import(areas);
  EXPECT_EQ(first.output, kBanner + AreaLine("GENERAL", kCreating) + AreaLine("TECH", kCreating) +
                              AreaLine("Mixed", kCreating) + Summary(3));
  const std::string after_first = ReadFile(host.mbases_path());
  EXPECT_EQ(after_first[282 + 212], 2) << "zone 2 is slot 2";
  EXPECT_EQ(after_first[212], 1);

  RunResult second = host.Import(areas);
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.output, kBanner + AreaLine("GENERAL", kExists) + AreaLine("TECH", kExists) +
                               AreaLine("Mixed", kExists) + Summary(0));
  EXPECT_EQ(ReadFile(host.mbases_path()), after_first);
}

TEST(Import, SameFileNameTwiceInOneListAndAnyCase) {
  Host host;
  WriteFile(host.mbases_path(), BaseRecordBytes("Echo", "ECHO1", 1));
  RunResult run = host.Import("!/a/general ONE\n!/b/GENERAL TWO\n!/c/echo1 THREE\n");
  EXPECT_EQ(run.output, kBanner + AreaLine("ONE", kCreating) + AreaLine("TWO", kExists) +
                            AreaLine("THREE", kExists) + Summary(1));
  EXPECT_EQ(ReadFile(host.mbases_path()).size(), 282u * 2);
}

TEST(Import, NewRecordKeepsTheLastRecordsBytesBehindItsStrings) {
  Host host;
  const std::string last = BaseRecordBytes("LAST", "last", 2, '\xEE');
  WriteFile(host.mbases_path(), BaseRecordBytes("FIRST", "first", 1, '\xAA') + last);
  ASSERT_EQ(host.Import("!/e/gen GEN\n!/e/gen2 GEN2\n").status, 0);
  const std::string mbases = ReadFile(host.mbases_path());
  ASSERT_EQ(mbases.size(), 282u * 4);
  const std::string made = mbases.substr(282 * 2, 282);
  EXPECT_EQ(CountedAt(made, 0), "GEN");
  EXPECT_EQ(made.substr(4, 37), last.substr(4, 37)) << "Name's trailing bytes";
  EXPECT_EQ(made.substr(59, 5), last.substr(59, 5)) << "FileName's trailing bytes";
  EXPECT_EQ(made.substr(176, 16), last.substr(176, 16)) << "SysopACS's trailing bytes";
  EXPECT_EQ(made.substr(193, 15), last.substr(193, 15)) << "Password's trailing bytes";
  // The next one starts from the record just written.
  const std::string next = mbases.substr(282 * 3, 282);
  EXPECT_EQ(next.substr(5, 36), made.substr(5, 36));
  EXPECT_EQ(Fixed16At(next, 280), 4);
}

TEST(Import, LongTagsAndFileNames) {
  Host host;
  const std::string tag(70, 'T');
  RunResult run =
      host.Import("!/e/longfilename1 " + tag + "\n!/e/LONGFILENAME2 OTHER\n!/e/longfile SAME\n");
  EXPECT_EQ(run.output, kBanner + AreaLine(tag, kCreating) + AreaLine("OTHER", kExists) +
                            AreaLine("SAME", kExists) + Summary(1));
  const std::string mbases = ReadFile(host.mbases_path());
  ASSERT_EQ(mbases.size(), 282u);
  EXPECT_EQ(CountedAt(mbases, 0), tag.substr(0, 40));
  EXPECT_EQ(CountedAt(mbases, 41), tag.substr(0, 13));
  EXPECT_EQ(CountedAt(mbases, 55), "longfile");
  EXPECT_EQ(AreaLine(tag, kCreating).size(), 78u + 2);
}

TEST(Import, DamagedFileNameLengthNeverMatches) {
  Host host;
  // A name of the full 8 characters: cut to the field, the damaged length would match.
  std::string damaged = BaseRecordBytes("X", "longname", 1);
  damaged[55] = 20;  // runs on into Path
  WriteFile(host.mbases_path(), damaged);
  RunResult run = host.Import("!/e/longname LONG\n");
  EXPECT_EQ(run.output, kBanner + AreaLine("LONG", kCreating) + Summary(1));
}

TEST(Import, SingleTokenLineIsPassedOver) {
  Host host;
  RunResult run = host.Import("!/a/b\n   !lonely   \n");
  EXPECT_EQ(run.output, kBanner + Summary(0));
  EXPECT_EQ(ReadFile(host.mbases_path()), "");
}

TEST(Import, ControlBytesOfTagsAreShownSafelyAndStoredAsGiven) {
  Host host;
  // C0 controls, DEL and the C1 controls (0x9B is the 8-bit CSI, C2 9B its UTF-8 form) are
  // shown as "?"; the bytes from 0xA0 on are shown as they are.
  const std::string tag = "EVIL\x1b]0;x\x07\x7f\x80\x9b\xc2\x9b\x9f\xa0\xff|12";
  RunResult run = host.Import("!/e/evil " + tag + "\n");
  EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
  EXPECT_NE(run.output.find("EVIL?]0;x????\xc2??\xa0\xff"), std::string::npos) << run.output;
  EXPECT_EQ(CountedAt(ReadFile(host.mbases_path()), 0), tag);
}

TEST(Import, NoFreeIndexEndsTheRunBeforeWriting) {
  Host host;
  // 16384 records carrying 1 and 16385..32767: no index from 16385 up to 32767 is free.
  std::string mbases = BaseRecordBytes("ONE", "one", 1);
  for (int index = 16385; index <= 32767; ++index) {
    mbases += BaseRecordBytes("B", std::string("b").append(std::to_string(index)),
                              static_cast<uint16_t>(index));
  }
  ASSERT_EQ(mbases.size(), 282u * 16384);
  WriteFile(host.mbases_path(), mbases);
  RunResult run = host.Import("!/e/one EXISTING\n!/e/new NEW\n!/e/later LATER\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, kBanner + AreaLine("EXISTING", kExists) + AreaLine("NEW", "") +
                            "ERROR: No free base index in mbases.dat\n");
  EXPECT_EQ(ReadFile(host.mbases_path()), mbases);
}

TEST(Import, HighestIndexIsStillGiven) {
  Host host;
  // 16383 records carrying 16384..32766: the candidates collide up to the last one.
  std::string mbases;
  for (int index = 16384; index <= 32766; ++index) {
    mbases += BaseRecordBytes("B", "b", static_cast<uint16_t>(index));
  }
  WriteFile(host.mbases_path(), mbases);
  ASSERT_EQ(host.Import("!/e/new NEW\n").status, 0);
  EXPECT_EQ(LastIndex(ReadFile(host.mbases_path())), 32767);
}

}  // namespace
}  // namespace korvanex_test
