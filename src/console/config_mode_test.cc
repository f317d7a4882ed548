#include "console/config_mode.h"

#include <string>

#include "console/console.h"
#include "console/key_reader.h"
#include "gtest/gtest.h"

namespace korvanex {
namespace {

std::string screen_output;
void Capture(const char* data, size_t size) { screen_output.append(data, size); }

// Keys from a string; the input ends after the last one. The wait for the byte at
// `interrupt_at` is broken off by a signal once.
class StringBytes : public ByteSource {
 public:
  explicit StringBytes(std::string bytes, size_t interrupt_at = std::string::npos)
      : bytes_(std::move(bytes)), interrupt_at_(interrupt_at) {}
  int ReadByte(int) override {
    if (next_ == interrupt_at_) {
      interrupt_at_ = std::string::npos;
      return kByteInterrupted;
    }
    if (next_ == bytes_.size()) return kByteEnd;
    return static_cast<unsigned char>(bytes_[next_++]);
  }

 private:
  std::string bytes_;
  size_t interrupt_at_;
  size_t next_ = 0;
};

int saves = 0;
DefaultsRecord saved;
bool SaveSucceeds(const DefaultsRecord& record) {
  ++saves;
  saved = record;
  return true;
}

class ConfigModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ConsoleStartWithSink(Capture, true);
    screen_output.clear();
    saves = 0;
    SetBuiltInDefaults(&defaults_);
  }
  Outcome Run(const std::string& keys, SaveFunction save = SaveSucceeds) {
    StringBytes bytes(keys);
    KeyReader reader(&bytes);
    return RunConfigMode(&defaults_, &reader, save, ScreenSize());
  }
  DefaultsRecord defaults_;
};

const char kBuiltInScreen[] =
    "\x1b[H\x1b[2J"
    "Configuration mode: Define default base settings\n"
    "\n"
    "A. List ACS      : s20\n"
    "B. Read ACS      : s20\n"
    "C. Post ACS      : s20\n"
    "D. Sysop ACS     : s255\n"
    "E. Password      : \n"
    "F. Real Names    : Yes\n"
    "G. Def. New Scan : Yes\n"
    "H. Def. QWK Scan : Yes\n"
    "I. Max Msgs      : 500\n"
    "J. Max Msg Age   : 0\n"
    "K. Header File   : \n"
    "L. Base Format   : JAM\n"
    "\n"
    "Command (Q/Quit): ";

TEST_F(ConfigModeTest, ScreenOfTheBuiltInDefaults) {
  EXPECT_EQ(ConfigScreen(defaults_), kBuiltInScreen);
}

TEST_F(ConfigModeTest, ScreenShowsDamagedValuesWithinBounds) {
  using namespace defaults_field;
  defaults_.bytes[kRealNames] = 2;
  defaults_.bytes[kDefNewScan] = 3;
  defaults_.bytes[kDefQwkScan] = 255;
  defaults_.bytes[kBaseFormat] = 7;
  defaults_.bytes[kHeaderFile.offset] = 200;  // longer than the field: cut to its 8 characters
  for (size_t i = 1; i <= 8; ++i) {
    defaults_.bytes[kHeaderFile.offset + i] = static_cast<uint8_t>('0' + i);
  }
  EncodeCounted(defaults_.bytes, kPassword, "|07x");
  EncodeCounted(defaults_.bytes, kListACS, "a\x1b[2J\x9b\xa0\x7f");
  const std::string screen = ConfigScreen(defaults_);
  EXPECT_NE(screen.find("E. Password      : |07x\n"), std::string::npos);
  EXPECT_NE(screen.find("A. List ACS      : a?[2J?\xa0?\n"), std::string::npos);
  EXPECT_NE(screen.find("F. Real Names    : 2\n"), std::string::npos);
  EXPECT_NE(screen.find("G. Def. New Scan : 3\n"), std::string::npos);
  EXPECT_NE(screen.find("H. Def. QWK Scan : 255\n"), std::string::npos);
  EXPECT_NE(screen.find("K. Header File   : 12345678\n"), std::string::npos);
  EXPECT_NE(screen.find("L. Base Format   : 7\n"), std::string::npos);
}

TEST_F(ConfigModeTest, EveryKeyRedrawsTheWholeScreenOnce) {
  EXPECT_EQ(Run("1 \x03Mq"), kDone);
  std::string expected;
  for (int i = 0; i < 5; ++i) expected += kBuiltInScreen;
  EXPECT_EQ(screen_output, expected);
  EXPECT_EQ(saves, 1);
}

TEST_F(ConfigModeTest, EditorEchoesTypingAndErasesWithBackspace) {
  StringBytes bytes("ab\x08\x08\x08x\r");
  KeyReader reader(&bytes);
  Str255 result;
  ASSERT_TRUE(EditField(20, 6, 20, "s2", {}, &reader, &result));
  EXPECT_EQ(result, "sx");
  EXPECT_EQ(screen_output, "\x1b[6;20Hs2ab\b \b\b \b\b \bx");
}

TEST_F(ConfigModeTest, InterruptedEditDrawsTheScreenAndTheEditAgain) {
  StringBytes bytes("ab\x01\r", 2);
  KeyReader reader(&bytes);
  Str255 result;
  ASSERT_TRUE(EditField(20, 6, 20, "s\x9b", {ScreenSize(), "SCREEN"}, &reader, &result));
  EXPECT_EQ(result.str(),
            "s\x9b"
            "ab\x01");
  // Control bytes are shown as "?", here and wherever a value is drawn.
  EXPECT_EQ(screen_output, "\x1b[6;20Hs?abSCREEN\x1b[6;20Hs?ab\x1b[K?");
}

TEST_F(ConfigModeTest, EditorKeepsLongStartWholeAndStopsAtTheMaximum) {
  StringBytes bytes(std::string("9\b1\b7\r"));
  KeyReader reader(&bytes);
  Str255 result;
  ASSERT_TRUE(EditField(20, 11, 4, "65535", {}, &reader, &result));
  EXPECT_EQ(result, "6557");
  EXPECT_EQ(screen_output, "\x1b[11;20H65535\b \b\b \b7");
}

TEST_F(ConfigModeTest, EditorAppendsControlCodesAndSpecialKeys) {
  StringBytes bytes(std::string("\x03\x1b[A\xe9\r", 6));
  KeyReader reader(&bytes);
  Str255 result;
  ASSERT_TRUE(EditField(20, 3, 20, "", {}, &reader, &result));
  EXPECT_EQ(result.str(), std::string("\x03\0H\xe9", 4));
}

TEST_F(ConfigModeTest, EditorEscapeGivesTheStartBack) {
  StringBytes bytes("\x08\x08zz\x1b");
  KeyReader reader(&bytes);
  Str255 result;
  ASSERT_TRUE(EditField(20, 3, 20, "s20", {}, &reader, &result));
  EXPECT_EQ(result, "s20");
}

TEST_F(ConfigModeTest, EndOfInputInAnEditorKeepsTheValue) {
  EXPECT_EQ(Run("Axyz"), Outcome::Refused(ConfigRefusal::kKeyboardEnded));
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(DecodeCounted(defaults_.bytes, defaults_field::kListACS), "s20");
  // The screen is drawn again with the value as it stays.
  const std::string tail = kBuiltInScreen;
  ASSERT_GE(screen_output.size(), tail.size());
  EXPECT_EQ(screen_output.substr(screen_output.size() - tail.size()), tail);
}

}  // namespace
}  // namespace korvanex
