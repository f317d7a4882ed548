#include "app/mbases_view.h"

#include <string>

#include "formats/coding.h"
#include "gtest/gtest.h"

namespace korvanex {
namespace {

TEST(MbasesView, EveryNameStaysFoundAsTheIndexGrows) {
  // Names that differ only in their last characters, many more than the first table
  // holds, each taken in once; then one of them once more.
  MbasesView view;
  view.Clear(0);
  BaseRecord record;
  const auto name = [](int i) { return "n" + std::to_string(1000000 + i); };
  for (int i = 0; i < 5000; ++i) {
    EncodeCounted(record.bytes, base_field::kFileName, name(i));
    EXPECT_EQ(view.TakeIn(record.bytes, true, i == 7 ? 1 : 0), i == 7 ? 1 : 0);
  }
  EncodeCounted(record.bytes, base_field::kFileName, name(7));
  EXPECT_EQ(view.TakeIn(record.bytes, true), 1) << "the run's base keeps its number";
  for (int i = 0; i < 5000; ++i) EXPECT_EQ(view.Count(name(i)), i == 7 ? 2 : 1) << i;
  EXPECT_EQ(view.Count("N1000001"), 1) << "letter case aside";
  EXPECT_EQ(view.Count("n1000001X"), 1) << "cut to 8 characters";
  EXPECT_EQ(view.Count("n100000"), 0);
  view.Clear(5000);
  EXPECT_EQ(view.Count(name(1)), 0);
}

}  // namespace
}  // namespace korvanex
