// Damaged, truncated, overlong and random data files: the tool never crashes, never reads
// outside a record (the sanitizer and valgrind runs of this suite see to that), and
// handles each damage in the one way it has chosen.
#include <filesystem>
#include <random>
#include <set>

#include "gtest/gtest.h"
#include "harness.h"

namespace korvanex_test {
namespace {

// The record the import appended last.
std::string LastRecord(const std::string& mbases) {
  EXPECT_GE(mbases.size(), 282u);
  return mbases.substr(mbases.size() / 282 * 282 - 282, 282);
}

TEST(DamagedOstrel, LengthBytesAboveCapacityAreCutToTheField) {
  Host host;
  std::string ostrel = ReadFile(host.root + "/ostrel.dat");
  for (size_t i = 124; i < 164; ++i) ostrel[i] = static_cast<char>('a' + i % 26);
  for (size_t i = 1304; i < 1354; ++i) ostrel[i] = static_cast<char>('A' + i % 26);
  ostrel[123] = static_cast<char>(255);   // MsgBasePath
  ostrel[1303] = static_cast<char>(200);  // BaseDefaultText, would run into the bytes after it
  ostrel.replace(1354, 4, "\x01\x02\x03\x04");
  WriteFile(host.root + "/ostrel.dat", ostrel);
  ASSERT_EQ(host.Import("!/e/a A\n").status, 0);
  const std::string record = ReadFile(host.mbases_path());
  EXPECT_EQ(CountedAt(record, 64), ostrel.substr(124, 40));
  EXPECT_EQ(CountedAt(record, 213), ostrel.substr(1304, 50));
  EXPECT_EQ(record.substr(208, 4), "\x01\x02\x03\x04");
}

TEST(DamagedOstrel, DataPathRunsOnPastItsFieldAndIsJoinedInFull) {
  // A DataPath length of 255 takes its text from the 255 bytes from offset 83, over
  // MsgBasePath and beyond. Here they spell a real directory, and mbases.dat is found
  // there at a path longer than 255 characters.
  Host host;
  std::string dir = host.dir / "d";
  while (dir.size() < 254) dir += dir.size() % 50 == 0 ? "/" : "x";
  dir.resize(254);
  if (dir.back() == '/') dir.back() = 'y';
  dir += "/";
  ASSERT_EQ(dir.size(), 255u);
  std::filesystem::create_directories(dir);
  WriteFile(dir + "mbases.dat", "");

  std::string ostrel = ReadFile(host.root + "/ostrel.dat");
  PutCounted(&ostrel, 82, dir);
  WriteFile(host.root + "/ostrel.dat", ostrel);
  RunResult run = host.Import("!/e/a A\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(ReadFile(dir + "mbases.dat").size(), 282u);
  // MsgBasePath lay inside that text: its length byte (a path character, above 40) is
  // cut to the field's 40 characters.
  EXPECT_EQ(CountedAt(ReadFile(dir + "mbases.dat"), 64), ostrel.substr(124, 40));

  // A DataPath that names no directory fails the open, however long.
  ostrel.replace(83, 255, std::string(255, 'z'));
  WriteFile(host.root + "/ostrel.dat", ostrel);
  run = host.Import("!/e/a A\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, kBanner + "ERROR: Unable to open mbases.dat\n");
}

TEST(DamagedOstrel, NulInDataPathNamesNoFile) {
  // Cut at its NUL, this DataPath would name ostrel.dat itself, and a new base would be
  // written over the end of the host's configuration.
  Host host;
  std::string ostrel = ReadFile(host.root + "/ostrel.dat");
  const std::string path = host.root + "/ostrel.dat" + std::string(1, '\0');
  PutCounted(&ostrel, 82, path);
  WriteFile(host.root + "/ostrel.dat", ostrel);
  RunResult run = host.Import("!/e/a A\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, kBanner + "ERROR: Unable to open mbases.dat\n");
  EXPECT_EQ(ReadFile(host.root + "/ostrel.dat"), ostrel);
}

TEST(DamagedDefaults, LengthsAboveCapacityAreCutAndFlagsCopiedAsStored) {
  Host host;
  std::string cfg(korvanex::kDefaultsRecordSize, '\0');
  for (size_t i = 0; i < korvanex::kDefaultsRecordSize; ++i)
    cfg[i] = static_cast<char>('a' + i % 26);
  for (size_t offset : {0, 21, 42, 63, 84, 107}) cfg[offset] = static_cast<char>(255);
  // Flags out of range are not the tool's to judge: a new base gets them as stored.
  cfg[100] = 7;
  cfg[101] = static_cast<char>(200);
  cfg[102] = 3;
  cfg[116] = 9;
  WriteFile(host.work + "/korvanex.cfg", cfg);
  ASSERT_EQ(host.Import("!/e/a A\n").status, 0);
  const std::string record = ReadFile(host.mbases_path());
  EXPECT_EQ(CountedAt(record, 108), cfg.substr(1, 20));
  EXPECT_EQ(CountedAt(record, 129), cfg.substr(22, 20));
  EXPECT_EQ(CountedAt(record, 150), cfg.substr(43, 20));
  EXPECT_EQ(CountedAt(record, 171), cfg.substr(64, 20));
  EXPECT_EQ(CountedAt(record, 192), cfg.substr(85, 15));
  EXPECT_EQ(CountedAt(record, 271), cfg.substr(108, 8));
  EXPECT_EQ(record.substr(264, 3), std::string("\x07\xC8\x03"));
  EXPECT_EQ(record[105], 9);
}

TEST(DamagedMbases, StoredIndexesOfEveryRange) {
  const struct {
    std::vector<uint16_t> stored;
    std::vector<int> given;  // to two new bases
  } cases[] = {
      {{0, 0xFFFF, 0x8000}, {4, 5}},  // 0, -1 and -32768 never collide
      {{32767, 4, 5}, {6, 7}},        // 4 and 5 collide in turn
      {{0x8004, 0xFFFC, 4}, {5, 6}},  // 32772 and 65532 are negative, not 4
      {{2, 2, 2}, {4, 5}},            // duplicates among the old records are left alone
  };
  for (const auto& c : cases) {
    Host host;
    const std::string mbases = BasesBytes(c.stored);
    WriteFile(host.mbases_path(), mbases);
    ASSERT_EQ(host.Import("!/e/new1 NEW1\n!/e/new2 NEW2\n").status, 0);
    const std::string after = ReadFile(host.mbases_path());
    ASSERT_EQ(after.size(), mbases.size() + 2 * 282);
    EXPECT_EQ(after.substr(0, mbases.size()), mbases);
    EXPECT_EQ(Fixed16At(after, mbases.size() + 280), c.given[0]);
    EXPECT_EQ(Fixed16At(after, mbases.size() + 282 + 280), c.given[1]);
  }
}

TEST(DamagedMbases, EveryTruncationKeepsTheWholeRecords) {
  const std::string full = BasesBytes({1, 2, 3}, 'x');
  for (size_t size = 0; size <= full.size(); size += 47) {
    SCOPED_TRACE(size);
    Host host;
    WriteFile(host.mbases_path(), full.substr(0, size));
    StampLongAgo(host.mbases_path());
    ASSERT_EQ(host.Import("!/e/base2 B3\n!/e/new NEW\n").status, 0);
    const std::string after = ReadFile(host.mbases_path());
    const size_t whole = size / 282 * 282;
    const size_t added = size >= 3 * 282 ? 1 : 2;  // base2 exists only in a whole third record
    ASSERT_EQ(after.size(), whole + added * 282);
    EXPECT_EQ(after.substr(0, whole), full.substr(0, whole));
    EXPECT_EQ(CountedAt(LastRecord(after), 55), "new");
  }
}

TEST(DamagedMbases, LastRecordWithDamagedLengthsGivesAWellFormedNewRecord) {
  Host host;
  // Every byte 0xFF: each string length reads 255, far over its field.
  const std::string damaged(282, '\xFF');
  WriteFile(host.mbases_path(), damaged);
  RunResult run = host.Import("!/e/general GENERAL\n");
  ASSERT_EQ(run.status, 0);
  const std::string record = LastRecord(ReadFile(host.mbases_path()));
  const struct {
    size_t offset;
    size_t capacity;
  } strings[] = {{0, 40},   {41, 13},  {55, 8},   {64, 40},  {108, 20}, {129, 20},
                 {150, 20}, {171, 20}, {192, 15}, {213, 50}, {271, 8}};
  for (const auto& field : strings) {
    EXPECT_LE(static_cast<uint8_t>(record[field.offset]), field.capacity) << field.offset;
  }
  EXPECT_EQ(CountedAt(record, 55), "general");
  // Behind its length, a string keeps the old record's bytes.
  EXPECT_EQ(record.substr(56 + 7, 1), "\xFF");
  EXPECT_EQ(record.substr(214, 50), std::string(50, '\xFF'));  // the host's text is empty
  EXPECT_EQ(Fixed16At(record, 280), 2);
}

// Random files, the same on every run: whatever they hold, a run ends with status 0, the
// whole records are kept, and every new index is in range and unique.
TEST(RandomFiles, NeverCrashAndKeepEveryRecord) {
  std::mt19937 random(20240601);
  auto bytes = [&random](size_t size) {
    std::string text(size, '\0');
    for (char& c : text) c = static_cast<char>(random() & 0xFF);
    return text;
  };
  size_t created = 0;
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    Host host;
    std::string cfg = bytes(korvanex::kDefaultsRecordSize + random() % 40);
    WriteFile(host.work + "/korvanex.cfg", cfg);
    std::string ostrel = bytes(1824 + random() % 100);
    PutCounted(&ostrel, 82, host.data);
    WriteFile(host.root + "/ostrel.dat", ostrel);
    std::string mbases = bytes(random() % 3000);
    WriteFile(host.mbases_path(), mbases);
    StampLongAgo(host.mbases_path());
    std::string areas;
    for (int line = 0; line < 8; ++line) {
      areas += std::string("!") + bytes(random() % 20) + " " + bytes(random() % 12) + " " +
               bytes(random() % 10) + (line % 2 ? "\r\n" : "\n");
    }
    RunResult run = host.Import(areas);
    ASSERT_EQ(run.status, 0) << run.output;
    const size_t creating = Count(run.output, kCreating + "\r\n");
    created += creating;
    const std::string after = ReadFile(host.mbases_path());
    const size_t whole = mbases.size() / 282 * 282;
    if (creating == 0) {
      EXPECT_EQ(after, mbases);
      continue;
    }
    ASSERT_EQ(after.size(), whole + creating * 282);
    EXPECT_EQ(after.substr(0, whole), mbases.substr(0, whole));
    std::multiset<uint16_t> indexes;
    for (size_t r = 0; r < after.size() / 282; ++r) indexes.insert(Fixed16At(after, r * 282 + 280));
    for (size_t r = whole / 282; r < after.size() / 282; ++r) {
      const uint16_t index = Fixed16At(after, r * 282 + 280);
      EXPECT_GE(index, 1);
      EXPECT_LE(index, 32767);
      EXPECT_EQ(indexes.count(index), 1u);
    }
  }
  EXPECT_GT(created, 40u);  // the rounds did write bases
}

}  // namespace
}  // namespace korvanex_test
