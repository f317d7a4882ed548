// Every text the tool writes outside the settings screen, together in one place. Pipe
// colour codes ("|" and two digits) colour the area lines and the summary.
#ifndef KORVANEX_APP_MESSAGES_H_
#define KORVANEX_APP_MESSAGES_H_

#include <cstddef>

namespace korvanex {
namespace message {

// The banner, between an empty line before and after it, and the usage lines.
constexpr char kBannerTitle[] = "KORVANEX v1.0 : Imports AREAS.BBS File Into Ostrel";
constexpr char kBannerHost[] = "              : Compatible with Ostrel BBS v1.07.2";
constexpr char kUsageConfig[] = "              : KORVANEXS -CONFIG";
constexpr char kUsageImport[] = "              : KORVANEXS [root ostrel dir] [filename to import]";

// One line per area: the head with the tag, in as many columns, then the verdict.
constexpr char kAreaHead[] = "|08- |07Area|08: |15";
constexpr size_t kTagColumns = 62;
constexpr char kAreaExists[] = "|12Exists";
constexpr char kAreaCreating[] = "|10Creating";
// The summary: these two around the number of bases created.
constexpr char kSummaryBefore[] = "|07Complete; Imported |15";
constexpr char kSummaryAfter[] = " |07bases.";

constexpr char kWaitingForLock[] = "Waiting for another import into mbases.dat to finish";
constexpr char kWaitingForWriter[] = "Waiting for another program to finish writing mbases.dat";

constexpr char kOstrelNotOpened[] = "ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)";
// The area list's message repeats its name as typed, between these two.
constexpr char kAreaListNotOpenedBefore[] = "ERROR: Unable to open AREAS.BBS file (";
constexpr char kAreaListNotOpenedAfter[] = ")";
constexpr char kMbasesNotOpened[] = "ERROR: Unable to open mbases.dat";
constexpr char kNoFreeIndex[] = "ERROR: No free base index in mbases.dat";
constexpr char kUnfinishedRecord[] =
    "ERROR: mbases.dat ends in a record another program did not finish writing";
// How long the run waits for other programs writing mbases.dat: a partial record unchanged
// that long is stray bytes, and changes that go on that long end the run with this line,
// the seconds and " seconds".
constexpr int kWaitLimitSeconds = 10;
constexpr char kKeptRewriting[] = "ERROR: Another program kept rewriting mbases.dat for ";
constexpr char kNotAsWritten[] =
    "ERROR: Another program's writes left mbases.dat without each new base once, as written";
constexpr char kSaveFailed[] = "ERROR: Unable to save korvanex.cfg";
constexpr char kKeyboardEnded[] = "ERROR: Keyboard input ended; settings not saved";

}  // namespace message
}  // namespace korvanex

#endif  // KORVANEX_APP_MESSAGES_H_
