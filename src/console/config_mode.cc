#include "console/config_mode.h"

#include <unistd.h>

#include <iterator>
#include <span>

#include "console/console.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

using namespace defaults_field;

constexpr char kTitle[] = "Configuration mode: Define default base settings";
constexpr char kPrompt[] = "Command (Q/Quit): ";
constexpr uint8_t kValueColumn = 20;
constexpr uint8_t kFirstSettingRow = 3;
constexpr uint8_t kNumberLength = 4;
constexpr size_t kNameWidth = 14;  // the name is padded so that every value starts in column 20

constexpr const char* kNoYes[] = {"No", "Yes"};
constexpr const char* kNoYesForced[] = {"No", "Yes", "Forced"};
constexpr const char* kFormats[] = {"JAM", "Squish"};

enum class SettingKind {
  kText,       // edited as typed
  kUpperText,  // edited, then stored in capitals
  kNumber,     // an unsigned 16-bit number, edited as decimal text
  kChoice,     // a flag that the key steps through its words
};

// One setting: its name on the screen, what it is and where it is stored (the capacity
// counts for texts only). Its key, A to L, and its row on the screen follow from its place
// in the table.
struct Setting {
  const char* name;
  SettingKind kind;
  CountedField field;
  std::span<const char* const> words = {};  // kChoice: the word for each value
};

constexpr Setting kSettings[] = {
    {"List ACS", SettingKind::kText, kListACS},
    {"Read ACS", SettingKind::kText, kReadACS},
    {"Post ACS", SettingKind::kText, kPostACS},
    {"Sysop ACS", SettingKind::kText, kSysopACS},
    {"Password", SettingKind::kUpperText, kPassword},
    {"Real Names", SettingKind::kChoice, {kRealNames, 0}, kNoYes},
    {"Def. New Scan", SettingKind::kChoice, {kDefNewScan, 0}, kNoYesForced},
    {"Def. QWK Scan", SettingKind::kChoice, {kDefQwkScan, 0}, kNoYesForced},
    {"Max Msgs", SettingKind::kNumber, {kMaxMsgs, 0}},
    {"Max Msg Age", SettingKind::kNumber, {kMaxMsgAge, 0}},
    {"Header File", SettingKind::kText, kHeaderFile},
    {"Base Format", SettingKind::kChoice, {kBaseFormat, 0}, kFormats},
};
constexpr size_t kSettingCount = std::size(kSettings);

uint8_t RowOf(const Setting& setting) {
  return static_cast<uint8_t>(kFirstSettingRow + (&setting - kSettings));
}

// The value as the screen shows it. A flag value outside the table, which only a damaged
// or foreign file can hold, is shown as its number.
std::string Shown(const Setting& setting, const DefaultsRecord& d) {
  switch (setting.kind) {
    case SettingKind::kText:
    case SettingKind::kUpperText:
      return TerminalSafe(DecodeCounted(d.bytes, setting.field));
    case SettingKind::kNumber:
      return IntToText(DecodeFixed16(d.bytes + setting.field.offset)).str();
    case SettingKind::kChoice:
      break;
  }
  const uint8_t value = d.bytes[setting.field.offset];
  return value < setting.words.size() ? setting.words[value] : IntToText(value).str();
}

// Acts on the key of one setting. Returns false when the keyboard input ended in an editor.
bool Act(const Setting& setting, DefaultsRecord* d, KeyReader* keys, ScreenSize size) {
  if (setting.kind == SettingKind::kChoice) {
    uint8_t& value = d->bytes[setting.field.offset];
    value = value + 1u < setting.words.size() ? static_cast<uint8_t>(value + 1) : 0;
    return true;
  }
  const bool number = setting.kind == SettingKind::kNumber;
  const Str255 start = number ? IntToText(DecodeFixed16(d->bytes + setting.field.offset))
                              : Str255(DecodeCounted(d->bytes, setting.field));
  const uint8_t max_length = number ? kNumberLength : static_cast<uint8_t>(setting.field.capacity);
  Str255 edited;
  if (!EditField(kValueColumn, RowOf(setting), max_length, start, {size, ConfigScreen(*d)}, keys,
                 &edited)) {
    return false;
  }
  if (number) {
    // The low 16 bits: minus 1 is kept as 65535.
    EncodeFixed16(d->bytes + setting.field.offset,
                  static_cast<uint16_t>(static_cast<uint32_t>(TextToInt(edited))));
  } else {
    EncodeCounted(d->bytes, setting.field,
                  setting.kind == SettingKind::kUpperText ? UpperCase(edited) : edited);
  }
  return true;
}

}  // namespace

std::string ConfigScreen(const DefaultsRecord& d) {
  std::string screen = ClearScreenSequence();
  screen += kTitle;
  screen += "\n\n";
  for (const Setting& setting : kSettings) {
    // The letter, a point, a blank, the padded name, ": ": 19 characters in all.
    const char key = static_cast<char>('A' + (&setting - kSettings));
    std::string label = std::string(1, key) + ". " + setting.name;
    label.resize(3 + kNameWidth, ' ');
    screen += label + ": " + Shown(setting, d) + "\n";
  }
  screen += '\n';
  screen += kPrompt;
  return screen;
}

bool EditField(uint8_t column, uint8_t row,  // NOLINT(bugprone-easily-swappable-parameters)
               uint8_t max_length, const Str255& start, const EditScreen& screen, KeyReader* keys,
               Str255* result) {
  const std::string to_field = MoveCursorSequence(column, row, screen.size);
  Str255 working = start;
  ConsoleWrite(to_field + TerminalSafe(working.view()));
  for (;;) {
    const int key = keys->ReadKey();
    if (key == KeyReader::kInputEnded) return false;
    if (key == KeyReader::kRedraw) {
      // The old value may be longer than the edit: the rest of its row is cleared.
      ConsoleWrite(screen.drawn + to_field + TerminalSafe(working.view()) + "\x1b[K");
    } else if (key == 8) {
      if (!working.empty()) {
        working.PopBack();
        ConsoleWrite("\b \b");
      }
    } else if (key == 13) {
      *result = working;
      return true;
    } else if (key == 27) {
      *result = start;
      return true;
    } else if (working.size() < max_length) {
      const char typed = static_cast<char>(key);
      working.Append(typed);
      ConsoleWrite(TerminalSafe(std::string_view(&typed, 1)));
    }
  }
}

Outcome RunConfigMode(DefaultsRecord* defaults, KeyReader* keys, SaveFunction save,
                      ScreenSize size) {
  static_assert(kSettingCount == 12, "A to L");
  for (;;) {
    ConsoleWrite(ConfigScreen(*defaults));
    int key = keys->ReadKey();
    if (key == KeyReader::kInputEnded) return Outcome::Refused(ConfigRefusal::kKeyboardEnded);
    if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
    if (key == 'Q') return save(*defaults) ? kDone : Outcome::Refused(ConfigRefusal::kSaveFailed);
    // Every other key, M to P and kRedraw included, draws the screen again after its action.
    const size_t index = static_cast<size_t>(key - 'A');
    if (index < kSettingCount && !Act(kSettings[index], defaults, keys, size)) {
      // The abandoned edit changed nothing; show the settings as they stay.
      ConsoleWrite(ConfigScreen(*defaults));
      return Outcome::Refused(ConfigRefusal::kKeyboardEnded);
    }
  }
}

Outcome ConfigMode(DefaultsRecord* defaults) {
  RawKeyboard keyboard;
  FdByteSource bytes(STDIN_FILENO, keyboard.continued_fd());
  KeyReader keys(&bytes);
  return RunConfigMode(defaults, &keys, SaveDefaults, TerminalSize());
}

}  // namespace korvanex
