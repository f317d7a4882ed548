#include "formats/record_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "formats/error_number.h"
#include "formats/scratch_dir_for_test.h"
#include "gtest/gtest.h"

namespace korvanex {
namespace {

namespace fs = std::filesystem;

class RecordFileTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    path_ = dir_ + "/records.dat";
  }
  void TearDown() override {
    CloseRecordFile(&file_);
    ScratchDirTest::TearDown();
  }
  void Write(const std::string& bytes) { WriteBytes(path_, bytes); }
  std::string Read() { return ReadBytes(path_); }
  std::string path_;
  RecordFile file_;
};

TEST_F(RecordFileTest, NeverCreatesAFile) {
  EXPECT_NE(OpenRecordFile(path_.c_str(), 4, &file_), 0);
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(RecordFileTest, PartialRecordIsNeverReadAndIsOverwrittenByTheNextWrite) {
  Write("AAAABBBBcc");  // two records of 4 bytes and 2 stray bytes
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 4, &file_), 0);
  int64_t count = -1;
  ASSERT_EQ(CountRecords(file_, &count), kNoError);
  EXPECT_EQ(count, 2);

  uint8_t record[4];
  ASSERT_EQ(RewindRecordFile(file_), kNoError);
  ASSERT_EQ(ReadNextRecord(file_, record), kNoError);
  ASSERT_EQ(ReadNextRecord(file_, record), kNoError);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record), 4), "BBBB");
  EXPECT_EQ(ReadNextRecord(file_, record), kErrorShortRecord);

  ASSERT_EQ(SeekRecord(file_, count), kNoError);
  ASSERT_EQ(WriteNextRecord(file_, reinterpret_cast<const uint8_t*>("DDDD")), kNoError);
  EXPECT_EQ(Read(), "AAAABBBBDDDD");
}

TEST_F(RecordFileTest, EmptyFileHasNoRecords) {
  Write("");
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 282, &file_), 0);
  int64_t count = -1;
  ASSERT_EQ(CountRecords(file_, &count), kNoError);
  EXPECT_EQ(count, 0);
  uint8_t record[282];
  EXPECT_EQ(ReadNextRecord(file_, record), kErrorShortRecord);
}

TEST(ErrorNumber, SystemErrorsMapToTheirNumbers) {
  EXPECT_EQ(ErrorNumberFromErrno(ENOENT), 2);
  EXPECT_EQ(ErrorNumberFromErrno(ELOOP), 3);
  EXPECT_EQ(ErrorNumberFromErrno(EMFILE), 4);
  EXPECT_EQ(ErrorNumberFromErrno(EROFS), 5);
  EXPECT_EQ(ErrorNumberFromErrno(EBADF), 6);
  EXPECT_EQ(ErrorNumberFromErrno(ENOSPC), 101);
  EXPECT_EQ(ErrorNumberFromErrno(EPIPE), 101);
  EXPECT_EQ(ErrorNumberFromErrno(ETXTBSY), 162);
  EXPECT_EQ(ErrorNumberFromErrno(EFAULT), 217);
  EXPECT_EQ(ErrorNumberFromErrno(EINVAL), 218);
  EXPECT_NE(ErrorNumberFromErrno(EXDEV), 0);  // unlisted errors still fail the run
}

}  // namespace
}  // namespace korvanex
