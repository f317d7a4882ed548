#include "console/key_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <deque>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace korvanex {
namespace {

constexpr int kPause = -1;

// Bytes as a terminal delivers them; kPause stands for a gap long enough that any read
// with a timeout gives up. After the last byte the input has ended.
class ScriptedBytes : public ByteSource {
 public:
  explicit ScriptedBytes(const std::string& bytes) {
    for (unsigned char c : bytes) events_.push_back(c);
  }
  ScriptedBytes(std::initializer_list<std::string> parts) {
    bool first = true;
    for (const std::string& part : parts) {
      if (!first) events_.push_back(kPause);
      first = false;
      for (unsigned char c : part) events_.push_back(c);
    }
  }
  int ReadByte(int timeout_ms) override {
    while (!events_.empty() && events_.front() == kPause) {
      events_.pop_front();
      if (timeout_ms >= 0) return kByteTimeout;
    }
    if (events_.empty()) return kByteEnd;
    const int byte = events_.front();
    events_.pop_front();
    return byte;
  }

 private:
  std::deque<int> events_;
};

std::vector<int> AllKeys(ByteSource* source) {
  KeyReader reader(source);
  std::vector<int> keys;
  for (int key = reader.ReadKey(); key != KeyReader::kInputEnded; key = reader.ReadKey()) {
    keys.push_back(key);
  }
  return keys;
}

std::vector<int> AllKeys(const std::string& bytes) {
  ScriptedBytes source(bytes);
  return AllKeys(&source);
}

TEST(KeyReader, PlainBytesArriveAsTheirCodes) {
  EXPECT_EQ(AllKeys(std::string("aZ\x03\r\n\x08\x01 \xff", 9)),
            (std::vector<int>{'a', 'Z', 3, 13, 10, 8, 1, ' ', 255}));
  EXPECT_EQ(AllKeys(std::string("\0x", 2)), (std::vector<int>{0, 'x'}));
}

TEST(KeyReader, DeleteArrivesAsBackspace) {
  EXPECT_EQ(AllKeys("a\x7f"), (std::vector<int>{'a', 8}));
}

TEST(KeyReader, LoneEscapeNeedsAPauseOrTheEnd) {
  ScriptedBytes paused({"\x1b", "A"});
  EXPECT_EQ(AllKeys(&paused), (std::vector<int>{27, 'A'}));
  EXPECT_EQ(AllKeys("\x1b"), (std::vector<int>{27}));
  ScriptedBytes twice({"\x1b", "\x1b", "[A"});
  EXPECT_EQ(AllKeys(&twice), (std::vector<int>{27, 27, '[', 'A'}));
  // Escape then any byte but [ or O at once (an Alt key): both arrive.
  EXPECT_EQ(AllKeys("\x1bx"), (std::vector<int>{27, 'x'}));
  EXPECT_EQ(AllKeys("\x1b\x1b[A"), (std::vector<int>{27, 0, 72}));
}

TEST(KeyReader, EscapeSequencesArriveAsScanCodes) {
  const struct {
    const char* sequence;
    int scan_code;
  } kCases[] = {
      {"\x1b[A", 72},    {"\x1b[B", 80},     {"\x1b[C", 77},    {"\x1b[D", 75},
      {"\x1bOA", 72},    {"\x1bOB", 80},     {"\x1bOC", 77},    {"\x1bOD", 75},
      {"\x1b[H", 71},    {"\x1b[F", 79},     {"\x1bOH", 71},    {"\x1bOF", 79},
      {"\x1b[1~", 71},   {"\x1b[7~", 71},    {"\x1b[4~", 79},   {"\x1b[8~", 79},
      {"\x1b[2~", 82},   {"\x1b[3~", 83},    {"\x1b[5~", 73},   {"\x1b[6~", 81},
      {"\x1bOP", 59},    {"\x1bOQ", 60},     {"\x1bOR", 61},    {"\x1bOS", 62},
      {"\x1b[[A", 59},   {"\x1b[[E", 63},    {"\x1b[11~", 59},  {"\x1b[12~", 60},
      {"\x1b[13~", 61},  {"\x1b[14~", 62},   {"\x1b[15~", 63},  {"\x1b[17~", 64},
      {"\x1b[18~", 65},  {"\x1b[19~", 66},   {"\x1b[20~", 67},  {"\x1b[21~", 68},
      {"\x1b[23~", 133}, {"\x1b[24~", 134},  {"\x1b[1;5A", 72}, {"\x1b[1;2D", 75},
      {"\x1b[5;5~", 73}, {"\x1b[15;2~", 63}, {"\x1b[1;3P", 59}, {"\x1bO5P", 59},
      {"\x1b[Z", 15},
  };
  for (const auto& c : kCases) {
    // The key after the sequence shows that no byte of it leaked.
    EXPECT_EQ(AllKeys(std::string(c.sequence) + "z"), (std::vector<int>{0, c.scan_code, 'z'}))
        << c.sequence + 1;
  }
}

TEST(KeyReader, UnknownSequencesAreDroppedWhole) {
  for (const char* sequence :
       {"\x1b[99~", "\x1b[~", "\x1b[?1;2c", "\x1b[>0;95;0c", "\x1b[I", "\x1b[O", "\x1b[E", "\x1bOj",
        "\x1bOZ", "\x1bO2~", "\x1b[12;34;56;78;90;12A", "\x1b[[Z", "\x1b[1 q", "\x1b[1;5\x03",
        "\x1b[\x7f", "\x1b[<~"}) {
    EXPECT_EQ(AllKeys(std::string(sequence) + "z"), (std::vector<int>{'z'})) << sequence + 1;
  }
}

TEST(KeyReader, CutOffSequencesAreDropped) {
  EXPECT_EQ(AllKeys("\x1b[1;5"), (std::vector<int>{}));
  EXPECT_EQ(AllKeys("\x1bO"), (std::vector<int>{}));
  ScriptedBytes paused({"\x1b[2", "z"});
  EXPECT_EQ(AllKeys(&paused), (std::vector<int>{'z'}));
  // A new sequence that starts inside a broken one is read in full.
  EXPECT_EQ(AllKeys("\x1b[1\x1b[B"), (std::vector<int>{0, 80}));
  EXPECT_EQ(AllKeys("\x1b[[\x1b[B"), (std::vector<int>{0, 80}));
}

TEST(FdByteSource, ReadsBytesWaitsAndEnds) {
  int fds[2], interrupt[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(pipe(interrupt), 0);
  FdByteSource source(fds[0], interrupt[0]);
  EXPECT_EQ(source.ReadByte(0), ByteSource::kByteTimeout);
  // A continue that came before the wait breaks it off once, even with a key waiting.
  ASSERT_EQ(write(interrupt[1], "xx", 2), 2);
  ASSERT_EQ(write(fds[1], "ab", 2), 2);
  EXPECT_EQ(source.ReadByte(-1), ByteSource::kByteInterrupted);
  EXPECT_EQ(source.ReadByte(-1), 'a');
  EXPECT_EQ(source.ReadByte(0), 'b');
  EXPECT_EQ(source.ReadByte(10), ByteSource::kByteTimeout);
  close(fds[1]);
  EXPECT_EQ(source.ReadByte(-1), ByteSource::kByteEnd);
  EXPECT_EQ(source.ReadByte(-1), ByteSource::kByteEnd);
  for (int fd : {fds[0], interrupt[0], interrupt[1]}) close(fd);
}

TEST(FdByteSource, UnreadableInputEnds) {
  const int fd = open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  FdByteSource source(fd);
  EXPECT_EQ(source.ReadByte(-1), ByteSource::kByteEnd);
  close(fd);
}

}  // namespace
}  // namespace korvanex
