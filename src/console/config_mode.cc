#include "console/config_mode.h"

#include <unistd.h>

#include "console/console.h"
#include "console/terminal.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

using namespace defaults_field;

constexpr char kTitle[] = "Configuration mode: Define default base settings";
constexpr char kPrompt[] = "Command (Q/Quit): ";
constexpr uint8_t kValueColumn = 20;

constexpr const char* kNoYes[] = {"No", "Yes"};
constexpr const char* kNoYesForced[] = {"No", "Yes", "Forced"};
constexpr const char* kFormats[] = {"JAM", "Squish"};

// The word for a stored flag; a value outside the table, which only a damaged or foreign
// file can hold, is shown as its number.
template <size_t N>
std::string FlagWord(const char* const (&words)[N], uint8_t value) {
  if (value < N) return words[value];
  return IntToText(value).str();
}

std::string Text(const DefaultsRecord& d, size_t offset, int capacity) {
  return TerminalSafe(GetDefaultsText(d, offset, capacity).view());
}

std::string Number(const DefaultsRecord& d, size_t offset) {
  return IntToText(GetDefaultsNumber(d, offset)).str();
}

struct TextField {
  size_t offset;
  int capacity;
  uint8_t row;
  uint8_t max_length;
};

constexpr TextField kListField = {kListACS, 20, 3, 20};
constexpr TextField kReadField = {kReadACS, 20, 4, 20};
constexpr TextField kPostField = {kPostACS, 20, 5, 20};
constexpr TextField kSysopField = {kSysopACS, 20, 6, 20};
constexpr TextField kPasswordField = {kPassword, 15, 7, 15};
constexpr TextField kHeaderField = {kHeaderFile, 8, 13, 8};
constexpr uint8_t kMaxMsgsRow = 11;
constexpr uint8_t kMaxMsgAgeRow = 12;
constexpr uint8_t kNumberLength = 4;

bool EditText(DefaultsRecord* d, const TextField& field, bool upper_case, KeyReader* keys) {
  Str255 edited;
  if (!EditField(kValueColumn, field.row, field.max_length,
                 GetDefaultsText(*d, field.offset, field.capacity), ConfigScreen(*d), keys,
                 &edited)) {
    return false;
  }
  if (upper_case) edited = UpperCase(edited);
  SetDefaultsText(d, field.offset, field.capacity, edited);
  return true;
}

bool EditNumber(DefaultsRecord* d, size_t offset, uint8_t row, KeyReader* keys) {
  Str255 edited;
  if (!EditField(kValueColumn, row, kNumberLength, IntToText(GetDefaultsNumber(*d, offset)),
                 ConfigScreen(*d), keys, &edited)) {
    return false;
  }
  // The low 16 bits: minus 1 is kept as 65535.
  SetDefaultsNumber(d, offset, static_cast<uint16_t>(static_cast<uint32_t>(TextToInt(edited))));
  return true;
}

void Toggle(DefaultsRecord* d, size_t offset, uint8_t last) {
  uint8_t& flag = d->bytes[offset];
  flag = flag < last ? static_cast<uint8_t>(flag + 1) : 0;
}

int KeyboardEnded() {
  ConsoleWrite("\n");
  ConsoleWriteLine(kKeyboardEndedMessage);
  return 1;
}

// Acts on one menu key A-P. Returns false when the keyboard input ended in an editor.
bool Act(int key, DefaultsRecord* d, KeyReader* keys) {
  switch (key) {
    case 'A':
      return EditText(d, kListField, false, keys);
    case 'B':
      return EditText(d, kReadField, false, keys);
    case 'C':
      return EditText(d, kPostField, false, keys);
    case 'D':
      return EditText(d, kSysopField, false, keys);
    case 'E':
      return EditText(d, kPasswordField, true, keys);
    case 'F':
      Toggle(d, kRealNames, 1);
      return true;
    case 'G':
      Toggle(d, kDefNewScan, 2);
      return true;
    case 'H':
      Toggle(d, kDefQwkScan, 2);
      return true;
    case 'I':
      return EditNumber(d, kMaxMsgs, kMaxMsgsRow, keys);
    case 'J':
      return EditNumber(d, kMaxMsgAge, kMaxMsgAgeRow, keys);
    case 'K':
      return EditText(d, kHeaderField, false, keys);
    case 'L':
      Toggle(d, kBaseFormat, 1);
      return true;
    default:  // M to P have no action
      return true;
  }
}

}  // namespace

std::string ConfigScreen(const DefaultsRecord& d) {
  std::string screen = ClearScreenSequence();
  auto row = [&screen](const char* label, const std::string& value) {
    screen += label;
    screen += value;
    screen += '\n';
  };
  screen += kTitle;
  screen += "\n\n";
  row("A. List ACS      : ", Text(d, kListACS, 20));
  row("B. Read ACS      : ", Text(d, kReadACS, 20));
  row("C. Post ACS      : ", Text(d, kPostACS, 20));
  row("D. Sysop ACS     : ", Text(d, kSysopACS, 20));
  row("E. Password      : ", Text(d, kPassword, 15));
  row("F. Real Names    : ", FlagWord(kNoYes, d.bytes[kRealNames]));
  row("G. Def. New Scan : ", FlagWord(kNoYesForced, d.bytes[kDefNewScan]));
  row("H. Def. QWK Scan : ", FlagWord(kNoYesForced, d.bytes[kDefQwkScan]));
  row("I. Max Msgs      : ", Number(d, kMaxMsgs));
  row("J. Max Msg Age   : ", Number(d, kMaxMsgAge));
  row("K. Header File   : ", Text(d, kHeaderFile, 8));
  row("L. Base Format   : ", FlagWord(kFormats, d.bytes[kBaseFormat]));
  screen += '\n';
  screen += kPrompt;
  return screen;
}

bool EditField(uint8_t column, uint8_t row,  // NOLINT(bugprone-easily-swappable-parameters)
               uint8_t max_length, const Str255& start, std::string_view screen, KeyReader* keys,
               Str255* result) {
  Str255 working = start;
  ConsoleWrite(MoveCursorSequence(column, row) + TerminalSafe(working.view()));
  for (;;) {
    const int key = keys->ReadKey();
    if (key == KeyReader::kInputEnded) return false;
    if (key == KeyReader::kRedraw) {
      // The old value may be longer than the edit: the rest of its row is cleared.
      ConsoleWrite(std::string(screen) + MoveCursorSequence(column, row) +
                   TerminalSafe(working.view()) + "\x1b[K");
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

int RunConfigMode(DefaultsRecord* defaults, KeyReader* keys, SaveFunction save) {
  for (;;) {
    ConsoleWrite(ConfigScreen(*defaults));
    int key = keys->ReadKey();
    if (key == KeyReader::kInputEnded) return KeyboardEnded();
    // kRedraw, like every code below A, only draws the screen again.
    if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
    if (key < 'A' || key > 'Q') continue;
    if (key == 'Q') {
      if (save(*defaults)) return 0;
      ConsoleWrite("\n");
      ConsoleWriteLine(kSaveFailedMessage);
      return 1;
    }
    if (!Act(key, defaults, keys)) {
      // The abandoned edit changed nothing; show the settings as they stay.
      ConsoleWrite(ConfigScreen(*defaults));
      return KeyboardEnded();
    }
  }
}

int ConfigMode(DefaultsRecord* defaults) {
  RawKeyboard keyboard;
  FdByteSource bytes(STDIN_FILENO);
  KeyReader keys(&bytes);
  const int status = RunConfigMode(defaults, &keys, SaveDefaults);
  keyboard.Restore();
  return status;
}

}  // namespace korvanex
