#include "formats/record_file.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "formats/outcome.h"
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
  static const uint8_t* Bytes(const char* text) { return reinterpret_cast<const uint8_t*>(text); }
  std::string path_;
  RecordFile file_;
};

TEST_F(RecordFileTest, NeverCreatesAFile) {
  EXPECT_NE(OpenRecordFile(path_.c_str(), 4, &file_), kDone);
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(RecordFileTest, OnlyRegularFilesOpen) {
  // None of these may open, and none may make the open wait (a FIFO without a writer).
  fs::create_directory(dir_ + "/dir");
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::string socket_path = dir_ + "/socket";
  socket_path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  for (const std::string& path : {dir_ + "/dir", dir_ + "/fifo", socket_path,
                                  std::string("/dev/null"), std::string("/dev/zero")}) {
    EXPECT_EQ(OpenRecordFile(path.c_str(), 4, &file_), kErrorShortRecord) << path;
    EXPECT_EQ(file_.fd, -1) << path;
  }
  close(listening);
}

TEST_F(RecordFileTest, PartialRecordIsNeverReadAndCanBeWrittenOver) {
  Write("AAAABBBBcc");  // two records of 4 bytes and 2 stray bytes
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 4, &file_), kDone);
  FileStamp stamp;
  ASSERT_EQ(StampAt(file_.fd, nullptr, &stamp), kDone);
  EXPECT_EQ(stamp.size, 10);

  uint8_t records[8];
  ASSERT_EQ(ReadRecordsAt(file_, 0, 2, records), kDone);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(records), 8), "AAAABBBB");
  EXPECT_EQ(ReadRecordsAt(file_, 2, 1, records), kErrorShortRecord);

  CloseRecordFile(&file_);
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 4, &file_, true), kDone);
  // The stray bytes are written over in place, the rest of the record appended.
  ASSERT_EQ(WriteInPlace(file_, Bytes("DDDD"), 2, 8), kDone);
  ASSERT_EQ(AppendBytes(file_, Bytes("DDDD") + 2, 2), kDone);
  EXPECT_EQ(Read(), "AAAABBBBDDDD");
}

TEST_F(RecordFileTest, AppendGoesAfterWhatAnotherWriterAddedAndSaysWhereItEnds) {
  Write("AAAA");
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 4, &file_, true), kDone);
  ASSERT_EQ(AppendBytes(file_, Bytes("BBBB"), 4), kDone);
  std::ofstream(path_, std::ios::binary | std::ios::app) << "XX";
  ASSERT_EQ(AppendBytes(file_, Bytes("CCCC"), 4), kDone);
  EXPECT_EQ(Read(), "AAAABBBBXXCCCC");
  int64_t end = 0;
  ASSERT_EQ(EndOfAppend(file_, &end), kDone);
  EXPECT_EQ(end, 14);
  ASSERT_EQ(CutRecordFile(file_, end - 4), kDone);
  EXPECT_EQ(Read(), "AAAABBBBXX");
  EXPECT_EQ(SyncRecordFile(file_), kDone);
}

TEST_F(RecordFileTest, SecondLockWaitsForTheFirst) {
  Write("");
  RecordFile other;
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 4, &file_), kDone);
  ASSERT_EQ(OpenRecordFile(path_.c_str(), 4, &other), kDone);
  EXPECT_EQ(TryLockRecordFile(file_), LockResult::kLocked);
  EXPECT_EQ(TryLockRecordFile(other), LockResult::kBusy);
  CloseRecordFile(&file_);
  EXPECT_EQ(TryLockRecordFile(other), LockResult::kLocked);
  CloseRecordFile(&other);
}

TEST(Outcome, SystemErrorsMapToTheirNumbers) {
  const struct {
    int system_error;
    int number;
  } kCases[] = {{ENOENT, 2},    {ELOOP, 3},    {EMFILE, 4},   {EROFS, 5},
                {EBADF, 6},     {ENOSPC, 101}, {EPIPE, 101},  {EFBIG, 101},
                {ETXTBSY, 162}, {EFAULT, 217}, {EINVAL, 218}, {EXDEV, 101}};
  for (const auto& c : kCases) EXPECT_EQ(OutcomeOfErrno(c.system_error).number(), c.number);
}

}  // namespace
}  // namespace korvanex
