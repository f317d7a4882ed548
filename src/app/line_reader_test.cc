#include "app/line_reader.h"

#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace korvanex {
namespace {

// The lines LineReader gives for `bytes`, written into a pipe in chunks of `chunk` bytes
// so that line ends also fall across reads.
std::vector<std::string> Lines(const std::string& bytes, size_t chunk = 1 << 20) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    for (size_t at = 0; at < bytes.size(); at += chunk) {
      const size_t n = std::min(chunk, bytes.size() - at);
      EXPECT_EQ(write(fds[1], bytes.data() + at, n), static_cast<ssize_t>(n));
    }
    close(fds[1]);
  });
  LineReader reader(fds[0]);
  std::vector<std::string> lines;
  for (;;) {
    Str255 line;
    bool got_line = false;
    EXPECT_EQ(reader.ReadLine(&line, &got_line), kDone);
    if (!got_line) break;
    lines.push_back(line.str());
  }
  writer.join();
  close(fds[0]);
  return lines;
}

using Expect = std::vector<std::string>;

TEST(LineReader, ThreeKindsOfLineEnd) {
  EXPECT_EQ(Lines("a\nb\r\nc\rd"), (Expect{"a", "b", "c", "d"}));
  EXPECT_EQ(Lines("a\r\n\r\nb\n"), (Expect{"a", "", "b"}));
  EXPECT_EQ(Lines("a\n\rb"), (Expect{"a", "", "b"}));  // LF then CR: two line ends
  EXPECT_EQ(Lines("a\r\r\nb"), (Expect{"a", "", "b"}));
  EXPECT_EQ(Lines(""), Expect{});
  EXPECT_EQ(Lines("\n"), Expect{""});
  EXPECT_EQ(Lines(std::string("x\x1a\ty\0z", 6)), Expect{std::string("x\x1a\ty\0z", 6)});
}

TEST(LineReader, CrLfAcrossReadsIsOneLineEnd) {
  EXPECT_EQ(Lines("ab\r\ncd\r\n", 3), (Expect{"ab", "cd"}));
  EXPECT_EQ(Lines("a\r\nb\r", 1), (Expect{"a", "b"}));
}

TEST(LineReader, LongLinesAreCutAndTheirRestDiscarded) {
  const std::string line300 = std::string(255, 'a') + std::string(45, 'b');
  EXPECT_EQ(Lines(line300 + "\r\nnext\n"), (Expect{std::string(255, 'a'), "next"}));
  EXPECT_EQ(Lines(std::string(100000, 'x') + "\nnext", 4096),
            (Expect{std::string(255, 'x'), "next"}));
}

}  // namespace
}  // namespace korvanex
