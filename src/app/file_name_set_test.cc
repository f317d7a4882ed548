#include "app/file_name_set.h"

#include <string>

#include "gtest/gtest.h"

namespace korvanex {
namespace {

TEST(FileNameSet, FindsWhatWasInsertedAndNothingElse) {
  FileNameSet names;
  EXPECT_FALSE(names.Contains(""));
  // Names that pack to the same word differ in their length; a NUL is a byte like any.
  const std::string kNames[] = {"",        std::string(1, '\0'), std::string(2, '\0'),  "A",
                                "GENERAL", "GENERAL\xff",        std::string("A\0", 2), "12345678"};
  for (const std::string& name : kNames) names.Insert(name);
  for (const std::string& name : kNames) names.Insert(name);  // twice is once
  EXPECT_EQ(names.size(), std::size(kNames));
  for (const std::string& name : kNames) EXPECT_TRUE(names.Contains(name)) << name.size();
  for (const std::string& name : {std::string(3, '\0'), std::string("GENERA"), std::string("B"),
                                  std::string("GENERAL\xfe"), std::string("123456789")}) {
    EXPECT_FALSE(names.Contains(name)) << name;
  }
  names.Insert("123456789");  // longer than any stored name: never held
  EXPECT_FALSE(names.Contains("123456789"));
}

TEST(FileNameSet, GrowsPastWhatWasReserved) {
  FileNameSet names;
  names.Reserve(10);
  const auto name = [](int i) { return std::string("N").append(std::to_string(i)); };
  for (int i = 0; i < 100000; ++i) names.Insert(name(i));
  EXPECT_EQ(names.size(), 100000u);
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(names.Contains(name(i))) << i;
  EXPECT_FALSE(names.Contains("N100000"));
}

}  // namespace
}  // namespace korvanex
