#include "formats/defaults_record.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "formats/scratch_dir_for_test.h"
#include "gtest/gtest.h"
#include "host_files.h"
#include "unprivileged.h"

namespace korvanex {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const DefaultsRecord& record) {
  return std::string(reinterpret_cast<const char*>(record.bytes), kDefaultsRecordSize);
}

// The bytes a first run saves, from the settings the builder of test files starts from.
const std::string kBuiltInBytes = Bytes(MakeDefaultsRecord({}));

// A scratch directory that the test also enters as its current directory.
class DefaultsFileTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    ScratchDirTest::TearDown();
  }
  std::string Read(const std::string& path) { return ReadBytes(path); }
  void Write(const std::string& path, const std::string& bytes) { WriteBytes(path, bytes); }
  fs::path old_cwd_;
};

using korvanex_test::AsUnprivilegedUser;

TEST(DefaultsRecord, BuiltInDefaultsMatchTheFirstRunBytes) {
  DefaultsRecord record;
  SetBuiltInDefaults(&record);
  EXPECT_EQ(Bytes(record), kBuiltInBytes);
  EXPECT_EQ(DecodeFixed16(record.bytes + defaults_field::kMaxMsgs), 500);
}

TEST(DefaultsRecord, ShorteningKeepsTheOldCharactersBehindTheLength) {
  DefaultsRecord record;
  SetBuiltInDefaults(&record);
  EncodeCounted(record.bytes, defaults_field::kSysopACS, "s2");
  EXPECT_EQ(Bytes(record).substr(63, 6), std::string("\x02s255\0", 6));
  // Lengths above the capacity are cut when read.
  record.bytes[defaults_field::kHeaderFile.offset] = 200;
  EXPECT_EQ(DecodeCounted(record.bytes, defaults_field::kHeaderFile).size(), 8u);
}

TEST_F(DefaultsFileTest, MissingFileGivesBuiltInDefaults) {
  DefaultsRecord record;
  bool loaded = true;
  EXPECT_EQ(LoadDefaults(&record, &loaded), kDone);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(record.bytes[0], 3);
  EXPECT_FALSE(fs::exists("korvanex.cfg")) << "loading never creates the file";
}

TEST_F(DefaultsFileTest, ShortEmptyOrDirectoryIsError100AndUnchanged) {
  for (const std::string& bytes : {std::string(), std::string(116, 'x')}) {
    Write("korvanex.cfg", bytes);
    DefaultsRecord record;
    bool loaded = true;
    EXPECT_EQ(LoadDefaults(&record, &loaded), kErrorShortRecord);
    EXPECT_EQ(Read("korvanex.cfg"), bytes);
  }
  fs::remove("korvanex.cfg");
  fs::create_directory("korvanex.cfg");
  DefaultsRecord record;
  bool loaded = true;
  EXPECT_EQ(LoadDefaults(&record, &loaded), kErrorShortRecord);
}

TEST_F(DefaultsFileTest, LongerFileUsesItsFirstRecord) {
  std::string bytes = kBuiltInBytes;
  bytes[100] = 0;
  Write("korvanex.cfg", bytes + std::string(83, 'z'));
  DefaultsRecord record;
  bool loaded = false;
  ASSERT_EQ(LoadDefaults(&record, &loaded), kDone);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Bytes(record), bytes);
  ASSERT_TRUE(SaveDefaults(record));
  EXPECT_EQ(Read("korvanex.cfg"), bytes) << "a save leaves exactly one record";
}

TEST_F(DefaultsFileTest, NewFileGetsReadWriteForAllLessUmask) {
  DefaultsRecord record;
  SetBuiltInDefaults(&record);
  const mode_t old_mask = umask(027);
  const bool saved = SaveDefaults(record);
  umask(old_mask);
  ASSERT_TRUE(saved);
  EXPECT_EQ(fs::status("korvanex.cfg").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Read("korvanex.cfg"), Bytes(record));
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST_F(DefaultsFileTest, ExistingFileKeepsItsPermissionBits) {
  Write("korvanex.cfg", std::string(kDefaultsRecordSize, 'o'));
  fs::permissions("korvanex.cfg",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  DefaultsRecord record;
  SetBuiltInDefaults(&record);
  ASSERT_TRUE(SaveDefaults(record));
  EXPECT_EQ(fs::status("korvanex.cfg").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  EXPECT_EQ(Read("korvanex.cfg"), Bytes(record));
}

TEST_F(DefaultsFileTest, SymbolicLinkStaysAndItsTargetIsRewritten) {
  fs::create_directory("real");
  Write("real/settings.cfg", std::string(kDefaultsRecordSize, 'o'));
  fs::create_symlink("real/settings.cfg", "korvanex.cfg");
  DefaultsRecord record;
  SetBuiltInDefaults(&record);
  ASSERT_TRUE(SaveDefaults(record));
  EXPECT_TRUE(fs::is_symlink("korvanex.cfg"));
  EXPECT_EQ(Read("real/settings.cfg"), Bytes(record));
}

TEST_F(DefaultsFileTest, FailedSavesLeaveTheOldFileIntact) {
  const std::string old_bytes(kDefaultsRecordSize, 'o');
  DefaultsRecord record;
  SetBuiltInDefaults(&record);
  fs::permissions(dir_, fs::perms::all);  // let the unprivileged user in

  // The unprivileged user can save where it may write, a new file as well as an old
  // one, so each failure below is the permission's doing.
  ASSERT_TRUE(AsUnprivilegedUser([&] { return SaveDefaults(record); }));
  EXPECT_EQ(Read("korvanex.cfg"), Bytes(record));
  Write("korvanex.cfg", old_bytes);
  fs::permissions("korvanex.cfg", fs::perms::all);
  ASSERT_TRUE(AsUnprivilegedUser([&] { return SaveDefaults(record); }));
  EXPECT_EQ(Read("korvanex.cfg"), Bytes(record));

  // A file the user may not write is not replaced, though the directory is writable.
  Write("korvanex.cfg", old_bytes);
  fs::permissions("korvanex.cfg",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(AsUnprivilegedUser([&] { return SaveDefaults(record); }));
  EXPECT_EQ(Read("korvanex.cfg"), old_bytes);

  // Through a link to a file the user may not write.
  fs::create_directory("locked");
  Write("locked/target.cfg", old_bytes);
  fs::permissions("locked/target.cfg", fs::perms::owner_read | fs::perms::others_read);
  fs::remove("korvanex.cfg");
  fs::create_symlink("locked/target.cfg", "korvanex.cfg");
  EXPECT_FALSE(AsUnprivilegedUser([&] { return SaveDefaults(record); }));
  EXPECT_EQ(Read("locked/target.cfg"), old_bytes);
  EXPECT_TRUE(fs::is_symlink("korvanex.cfg"));
  EXPECT_EQ(std::distance(fs::directory_iterator("locked"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace korvanex
