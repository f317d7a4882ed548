#include "formats/host_config.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "formats/outcome.h"
#include "formats/scratch_dir_for_test.h"
#include "gtest/gtest.h"
#include "unprivileged.h"

namespace korvanex {
namespace {

namespace fs = std::filesystem;

class HostConfigFileTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    path_ = dir_ + "/ostrel.dat";
  }
  void Write(const std::string& bytes) { WriteBytes(path_, bytes); }
  std::string path_;
};

TEST(HostConfig, FieldsAreReadAtTheirOffsets) {
  HostConfigRecord record;
  record.bytes[82] = 5;
  std::memcpy(record.bytes + 83, "/bbs/", 5);
  record.bytes[123] = 45;  // a stored length above 40 is cut to 40
  for (int i = 0; i < 45; ++i) record.bytes[124 + i] = static_cast<uint8_t>('a' + i % 26);
  record.bytes[1303] = 60;  // and one above 50 to 50
  for (int i = 0; i < 60; ++i) record.bytes[1304 + i] = 'T';
  record.bytes[823] = 0x34;  // slot 1: zone 0x1234
  record.bytes[824] = 0x12;
  record.bytes[1279] = 21;  // slot 20: zone 21

  EXPECT_EQ(DataPath(record), "/bbs/");
  EXPECT_EQ(MsgBasePath(record).size(), 40u);
  EXPECT_EQ(MsgBasePath(record).substr(0, 3), "abc");
  EXPECT_EQ(BaseDefaultText(record), std::string(50, 'T'));
  uint16_t zones[kAddressSlotCount];
  SlotZones(record, zones);
  EXPECT_EQ(zones[0], 0x1234);
  EXPECT_EQ(zones[1], 0);
  EXPECT_EQ(zones[19], 21);
}

TEST(HostConfig, LongDataPathRunsOnIntoTheFollowingBytes) {
  HostConfigRecord record;
  record.bytes[82] = 255;
  for (int i = 0; i < 255; ++i) record.bytes[83 + i] = static_cast<uint8_t>('A' + i % 26);
  const Str255 path = DataPath(record);
  EXPECT_EQ(path.size(), 255);
  EXPECT_EQ(path.view()[41], 'A' + 41 % 26);  // a character of the MsgBasePath field
}

TEST_F(HostConfigFileTest, ExactLongerAndShortFiles) {
  std::string bytes(1824, '\0');
  bytes[82] = 1;
  bytes[83] = '/';
  HostConfigRecord record;

  Write(bytes);
  EXPECT_EQ(LoadHostConfig(path_.c_str(), &record), kDone);
  EXPECT_EQ(DataPath(record), "/");

  Write(bytes + std::string(500, 'x'));
  EXPECT_EQ(LoadHostConfig(path_.c_str(), &record), kDone);

  Write(bytes.substr(0, 1823));
  EXPECT_EQ(LoadHostConfig(path_.c_str(), &record), kErrorShortRecord);
  EXPECT_EQ(fs::file_size(path_), 1823u) << "the file is never written";
}

TEST_F(HostConfigFileTest, MissingDirectoryOrReadOnlyFileDoesNotOpen) {
  HostConfigRecord record;
  const Outcome kNotOpened = Outcome::Refused(HostConfigRefusal::kNotOpened);
  EXPECT_EQ(LoadHostConfig(path_.c_str(), &record), kNotOpened);
  EXPECT_FALSE(fs::exists(path_)) << "never created";

  fs::create_directory(path_);
  EXPECT_EQ(LoadHostConfig(path_.c_str(), &record), kNotOpened);
  fs::remove(path_);

  // Write-protected on a writable file system: not opened, though it would only be read.
  // Root opens any file, so the check runs as an unprivileged user.
  Write(std::string(1824, '\0'));
  fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(korvanex_test::AsUnprivilegedUser([&] {
    HostConfigRecord child_record;
    return LoadHostConfig(path_.c_str(), &child_record) == kNotOpened;
  }));
}

}  // namespace
}  // namespace korvanex
