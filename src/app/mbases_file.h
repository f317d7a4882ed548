// mbases.dat during an import, shared with the host, whose programs append to it, rewrite
// it or put another file in its place while the import runs, and take no lock. MbasesFile
// is the only code that touches the file during an import: it reads the file only while it
// is still, appends each new base after whatever is there, and before success checks that
// each base of the run is there once, as written. Its methods say what happened; the
// import decides what the operator sees.
#ifndef KORVANEX_APP_MBASES_FILE_H_
#define KORVANEX_APP_MBASES_FILE_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "app/area_line.h"
#include "app/mbases_view.h"
#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/host_config.h"
#include "formats/outcome.h"
#include "formats/record_file.h"

namespace korvanex {

class MbasesFile {
 public:
  // What a step found: the run knows the file as it is; or it waits, before the next step,
  // for a file changed a moment ago to be still, for another import's lock, or for another
  // program that is writing the file (a partial record, or changes during a pause).
  enum class Step { kReady, kQuietWait, kLockWait, kWriterWait };
  // Why a step refused: the file did not open; no base index was free; a partial record or
  // other programs' changes kept the file from being still for the wait limit; a base of the
  // run was not in the file once, as written.
  enum class Refusal { kNotOpened, kNoFreeIndex, kUnfinishedRecord, kKeptRewriting, kNotAsWritten };

  // New records take their fields from `defaults` and `host`, which must outlive the file.
  MbasesFile(const DefaultsRecord& defaults, const HostConfigRecord& host);
  ~MbasesFile();
  MbasesFile(const MbasesFile&) = delete;
  MbasesFile& operator=(const MbasesFile&) = delete;

  // Opens the file at `path`; refused with kNotOpened.
  Outcome Open(const std::string& path);
  // One step towards knowing the file as it is: the pause or the lock that the last step
  // waited for, a look, and where the file changed and is still, a read of all of it. Waits
  // for another program end with an ERROR after the wait limit (messages.h).
  Outcome Update(Step* step);
  // The next update reads the file and checks each base of the run in it, as before success.
  void CheckAll();
  // Whether a record carries `file_name` cut to 8 characters, letter case aside.
  bool Has(std::string_view file_name) const;
  // Appends a new base for `entry` with the lowest free index. `*landed` is false when
  // another program's bytes took its place and it was cut back: it may be tried once more
  // after an update.
  Outcome Create(const AreaEntry& entry, bool* landed);
  size_t created() const { return own_.size(); }
  // Makes what the run appended durable; nothing to do when it appended nothing.
  Outcome Sync() const;
  // The same for the way out that running out of memory forces.
  static void SyncBeforeExit();

 private:
  // A base of the run: what writing it again takes, and the hashes of the records written
  // for it (the second only once it was written again).
  struct OwnBase {
    uint8_t name[base_field::kName.capacity + 1];
    uint8_t file_name[base_field::kFileName.capacity + 1];
    uint8_t address_slot;
    bool written_again;
    bool seen;  // the last read found one of its records
    uint64_t hashes[2];
    AreaEntry Entry() const;
  };

  Outcome Look(Step* step);
  bool IsStill(const FileStamp& now, int64_t span);
  Outcome Read(const FileStamp& now, bool* complete);
  Outcome KeepOwnBases();
  // Appends a new record for `entry`, the run's base `own` (0 for one written again), with
  // the lowest free index; `*hash` is the record's.
  Outcome Append(const AreaEntry& entry, uint16_t own, bool* landed, uint64_t* hash);

  static MbasesFile* opened_;  // for SyncBeforeExit
  const DefaultsRecord& defaults_;
  const HostConfigRecord& host_;
  std::string path_;
  RecordFile file_;  // opened for appending
  std::unique_ptr<uint8_t[]> block_;
  MbasesView view_;
  std::deque<OwnBase> own_;  // grows without moving, so a long run never copies it
  bool locked_ = false;
  bool appended_ = false;
  bool known_ = false;      // the view holds the file as `seen_` describes it
  FileStamp seen_;          // as the run last read it or left it after its own append
  bool verifying_ = false;  // CheckAll was called
  bool unchecked_ = false;  // a read is owed
  int aside_ = 0;           // appends in a row that landed off a record boundary
  // The time of the look that asked for a wait (monotonic, ns); the stamp that looks found
  // and since when; the pause the next step makes; since when the run waits; for what.
  int64_t clock_ = 0;
  FileStamp candidate_;
  int64_t candidate_since_ = 0;
  bool moved_ = false;
  int64_t pause_ = 0;
  int64_t waiting_since_ = -1;
  bool partial_ = false;
  Step step_ = Step::kReady;
};

}  // namespace korvanex

#endif  // KORVANEX_APP_MBASES_FILE_H_
