// For unit tests that need real files: a fresh directory per test, removed afterwards
// (opened up first, since permission tests may leave it read-only).
#ifndef KORVANEX_FORMATS_SCRATCH_DIR_FOR_TEST_H_
#define KORVANEX_FORMATS_SCRATCH_DIR_FOR_TEST_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "gtest/gtest.h"

namespace korvanex {

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvanex-unit-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::all, ignored);
    std::filesystem::remove_all(dir_, ignored);
  }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }

  std::string dir_;
};

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_SCRATCH_DIR_FOR_TEST_H_
