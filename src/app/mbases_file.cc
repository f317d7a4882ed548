// How mbases.dat is shared with the host, whose programs append records (now and then in
// two writes), rewrite the file in place (often by cutting it to nothing first) or put
// another file in its place:
// - Before each area it looks at the file that the path names now, with one stat of the
//   whole path, so that a moved directory or a switched link shows as another file. A file
//   that nothing but the run changed since the run read it is not read again.
// - Anything else is read only once the file has been still for 30 ms, by its time stamp
//   or by two looks that far apart, so that a rewrite under way is never read. A file
//   briefly missing, or shorter than the look said, is looked at again.
// - A partial record at the end is another program's write under way and waited for; once
//   unchanged for the wait limit it is stray bytes, which the next new record is written over.
// - Each append finds out where it landed: a record that another program's bytes pushed
//   off a record boundary is cut back while the file ends in it, and written again later.
// - A base of the run that a read of the whole still file does not find is appended
//   again, once; missing a second time, the run ends with an ERROR line.
// - Before success, the whole still file is read once more and each base of the run must
//   be there exactly once (a base of the host's with its file name counts), with the bytes
//   the run wrote (compared by a 64-bit hash).
// What no look can see is a write made after that last check. Beside a host that keeps
// rewriting the file, each rewrite costs a pause of some 40 ms and a read of the file.
#include "app/mbases_file.h"

#include <time.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "app/messages.h"
#include "app/new_base.h"
#include "formats/coding.h"
#include "formats/fd_io.h"

namespace korvanex {

namespace {

namespace b = base_field;

constexpr int64_t kRecordSize = static_cast<int64_t>(kBaseRecordSize);
constexpr size_t kRecordsPerRead = 256;  // some 70 KB
// Times in nanoseconds: how long the file is still before it is read, and how long the run
// waits for other programs' writes.
constexpr int64_t kMillisecond = 1000000;
constexpr int64_t kSecond = 1000 * kMillisecond;
constexpr int64_t kQuietTime = 30 * kMillisecond;
constexpr int64_t kWaitLimit = message::kWaitLimitSeconds * kSecond;

int64_t Nanoseconds(const timespec& time) { return time.tv_sec * kSecond + time.tv_nsec; }

int64_t Now(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return Nanoseconds(now);
}

// How long before its stamp a write may have ended: a tick of the system's clock, or two
// seconds where the file system stamps whole seconds only.
int64_t StampTick(const FileStamp& stamp) {
  return stamp.modified.tv_nsec == 0 && stamp.changed.tv_nsec == 0 ? 2 * kSecond
                                                                   : 10 * kMillisecond;
}

// One hash of all the bytes of a record. Each step is invertible, so two records that
// differ in one word never share it.
uint64_t RecordHash(const uint8_t* record) {
  uint64_t hash = 0;
#pragma GCC unroll 35  // one pass over the whole record, without loop steps between words
  for (size_t at = 0; at + 8 <= kBaseRecordSize; at += 8) {
    uint64_t word;
    std::memcpy(&word, record + at, sizeof word);
    // The rotation brings the product's well-mixed high bits down for the next word.
    hash = std::rotl((hash ^ word) * 0x9E3779B97F4A7C15ull, 29);
  }
  return (hash ^ DecodeFixed16(record + kBaseRecordSize - 2)) * 0xBF58476D1CE4E5B9ull;
}

}  // namespace

MbasesFile* MbasesFile::opened_ = nullptr;

AreaEntry MbasesFile::OwnBase::Entry() const {
  return {DecodeCountedAt(file_name, sizeof file_name, 0, b::kFileName.capacity),
          DecodeCountedAt(name, sizeof name, 0, b::kName.capacity), address_slot};
}

MbasesFile::MbasesFile(const DefaultsRecord& defaults, const HostConfigRecord& host)
    : defaults_(defaults), host_(host) {}

MbasesFile::~MbasesFile() {
  CloseRecordFile(&file_);
  if (opened_ == this) opened_ = nullptr;
}

Outcome MbasesFile::Open(const std::string& path) {
  // A NUL in a damaged DataPath would end the path early and name some other file, such
  // as ostrel.dat itself; no file name holds a NUL, so no such mbases.dat can exist.
  path_ = path;
  if (path.find('\0') != std::string::npos ||
      !OpenRecordFile(path.c_str(), kBaseRecordSize, &file_, true).ok()) {
    CloseRecordFile(&file_);
    return Outcome::Refused(Refusal::kNotOpened);
  }
  seen_ = file_.opened;
  block_.reset(new uint8_t[kRecordsPerRead * kBaseRecordSize]);
  opened_ = this;
  return kDone;
}

Outcome MbasesFile::Update(Step* step) {
  if (step_ == Step::kLockWait) {
    (void)LockRecordFile(file_);
    locked_ = true;
  } else if (step_ != Step::kReady) {
    timespec pause = {pause_ / kSecond, pause_ % kSecond};
    (void)RetryOnSignal([&] { return nanosleep(&pause, &pause); });
  }
  const bool waited = step_ == Step::kQuietWait || step_ == Step::kWriterWait;
  moved_ = partial_ = false;
  if (Outcome outcome = Look(step); !outcome.ok()) return outcome;
  // A file that changed again during the pause is being written by another program.
  if (*step == Step::kQuietWait && waited && moved_) *step = Step::kWriterWait;
  step_ = *step;
  if (*step == Step::kReady || *step == Step::kLockWait) {
    waiting_since_ = -1;
  } else if (waiting_since_ < 0) {
    waiting_since_ = clock_;
  } else if (clock_ - waiting_since_ >= kWaitLimit) {
    return Outcome::Refused(partial_ ? Refusal::kUnfinishedRecord : Refusal::kKeptRewriting);
  }
  return kDone;
}

Outcome MbasesFile::Look(Step* step) {
  for (;;) {
    // Two runs must never append to one mbases.dat at once. Where the file system keeps no
    // locks, the run goes on without one: its appends still go to the real end of the file.
    if (!locked_) locked_ = TryLockRecordFile(file_) != LockResult::kBusy;
    if (!locked_) {
      *step = Step::kLockWait;
      return kDone;
    }
    FileStamp now;
    Outcome looked = StampAt(AT_FDCWD, path_.c_str(), &now);
    // Another file in the place of ours is the one to use: appends to ours would be lost.
    RecordFile file;
    if (looked.ok() && !IsSameFile(now, seen_) &&
        (looked = OpenRecordFile(path_.c_str(), kBaseRecordSize, &file, true)).ok()) {
      CloseRecordFile(&file_);
      file_ = file;
      locked_ = known_ = false;
      seen_ = file_.opened;
    }
    if (looked.number() == 2 || looked.number() == 3) {
      // The file or a directory on its path is missing, as while either is replaced.
      *step = Step::kQuietWait;
      clock_ = Now(CLOCK_MONOTONIC);
      pause_ = kQuietTime;
      moved_ = true;
      return kDone;
    }
    if (!looked.ok()) return looked;
    if (!locked_) continue;  // a new file is locked first
    const bool held = known_ && IsUnchanged(seen_, now);
    if (held && !unchecked_) {
      *step = Step::kReady;
      return kDone;
    }
    if (!held && !IsStill(now, kQuietTime + StampTick(now))) {
      *step = Step::kQuietWait;
      return kDone;
    }
    if (!held && now.size % kRecordSize != 0 && !IsStill(now, kWaitLimit)) {
      *step = Step::kWriterWait;
      partial_ = true;
      return kDone;
    }
    bool complete = false;
    if (Outcome outcome = Read(now, &complete); !outcome.ok()) return outcome;
    if (!complete) {  // cut short under the read
      *step = Step::kQuietWait;
      clock_ = Now(CLOCK_MONOTONIC);
      pause_ = kQuietTime;
      return kDone;
    }
    // Looked at once more: a write during the read shows there.
  }
}

bool MbasesFile::IsStill(const FileStamp& now, int64_t span) {
  clock_ = Now(CLOCK_MONOTONIC);
  if (!IsUnchanged(candidate_, now)) {
    candidate_ = now;
    candidate_since_ = clock_;
    moved_ = true;
  }
  // Still since the first look that found it so, or since its stamp by the real clock.
  const int64_t still =
      std::max(clock_ - candidate_since_, Now(CLOCK_REALTIME) - Nanoseconds(now.modified));
  pause_ = std::clamp(span - still, kMillisecond, 100 * kMillisecond);
  return still >= span;
}

Outcome MbasesFile::Read(const FileStamp& now, bool* complete) {
  const int64_t count = now.size / kRecordSize;
  view_.Clear(count);
  for (OwnBase& base : own_) base.seen = false;
  for (int64_t first = 0; first < count;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(count - first, kRecordsPerRead));
    size_t got = 0;
    const Outcome read =
        ReadFullyAt(file_.fd, block_.get(), n * kBaseRecordSize, first * kRecordSize, &got);
    if (!read.ok()) return read;
    if (got < n * kBaseRecordSize) {
      known_ = false;
      return kDone;
    }
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* record = block_.get() + i * kBaseRecordSize;
      const uint16_t own = view_.TakeIn(record, first + static_cast<int64_t>(i) + 1 == count);
      // Only the check before success asks whether a base's bytes are as written.
      if (own == 0 || !verifying_) continue;
      OwnBase& base = own_[own - 1];
      const uint64_t hash = RecordHash(record);
      base.seen |= hash == base.hashes[0] || (base.written_again && hash == base.hashes[1]);
    }
    first += static_cast<int64_t>(n);
  }
  *complete = known_ = true;
  seen_ = now;
  unchecked_ = false;
  return KeepOwnBases();
}

Outcome MbasesFile::KeepOwnBases() {
  for (OwnBase& base : own_) {
    const int count = view_.Count(base.Entry().FileName);
    if (count == 0 && !base.written_again) {
      bool landed = false;
      if (Outcome outcome = Append(base.Entry(), 0, &landed, &base.hashes[1]); !outcome.ok()) {
        return outcome;
      }
      if (!landed) return Outcome::Refused(Refusal::kNotAsWritten);
      base.written_again = unchecked_ = true;
    } else if (count == 0 || (verifying_ && (count > 1 || !base.seen))) {
      return Outcome::Refused(Refusal::kNotAsWritten);
    }
  }
  return kDone;
}

void MbasesFile::CheckAll() { verifying_ = unchecked_ = !own_.empty(); }

bool MbasesFile::Has(std::string_view file_name) const { return view_.Count(file_name) > 0; }

Outcome MbasesFile::Create(const AreaEntry& entry, bool* landed) {
  OwnBase base = {};
  const uint16_t own = static_cast<uint16_t>(own_.size() + 1);
  if (Outcome outcome = Append(entry, own, landed, &base.hashes[0]); !outcome.ok()) {
    return outcome;
  }
  if (!*landed) return ++aside_ > 1 ? Outcome::Refused(Refusal::kNotAsWritten) : kDone;
  aside_ = 0;
  // The tag and the file name as the record holds them: what writing it again takes.
  EncodeCounted(base.name, {0, b::kName.capacity}, entry.Tag);
  EncodeCounted(base.file_name, {0, b::kFileName.capacity}, entry.FileName);
  base.address_slot = entry.AddressSlot;
  own_.push_back(base);
  return kDone;
}

Outcome MbasesFile::Append(const AreaEntry& entry, uint16_t own, bool* landed, uint64_t* hash) {
  const std::optional<int32_t> index = view_.TakeFreeIndex();
  if (!index) return Outcome::Refused(Refusal::kNoFreeIndex);
  BaseRecord record = view_.last_record();
  BuildBaseRecord(entry, defaults_, host_, *index, &record);
  *hash = RecordHash(record.bytes);
  // The record goes after the last whole record, over stray bytes that end the file. Only
  // those are written over in place; the rest is appended, so that it goes after whatever
  // another program appended meanwhile, never over it.
  const int64_t start = seen_.size - seen_.size % kRecordSize;
  const size_t stray = static_cast<size_t>(seen_.size - start);
  const size_t rest = kBaseRecordSize - stray;
  appended_ = true;
  Outcome outcome = stray > 0 ? WriteInPlace(file_, record.bytes, stray, start) : kDone;
  if (outcome.ok()) outcome = AppendBytes(file_, record.bytes + stray, rest);
  FileStamp after;
  if (outcome.ok()) outcome = StampAt(file_.fd, nullptr, &after);
  // A size that this append alone explains needs no asking where it went.
  int64_t end = start + kRecordSize;
  if (outcome.ok() && after.size != end) outcome = EndOfAppend(file_, &end);
  if (!outcome.ok()) return outcome;
  const int64_t begin = end - kRecordSize;
  *landed = begin == start || (stray == 0 && begin % kRecordSize == 0);
  if (!*landed) {
    // Another program's bytes came first. While the file ends in the record, it is cut
    // back, so that they can be finished; a record written over stray bytes is not
    // tried again, since its first part is in their place.
    if (after.size != end) return Outcome::Refused(Refusal::kNotAsWritten);
    outcome = CutRecordFile(file_, end - static_cast<int64_t>(rest));
    return !outcome.ok() || stray == 0 ? outcome : Outcome::Refused(Refusal::kNotAsWritten);
  }
  // What another program wrote besides is read once the file is still.
  known_ = known_ && begin == start && after.size == end;
  seen_ = after;
  view_.TakeIn(record.bytes, true, own);
  return kDone;
}

Outcome MbasesFile::Sync() const { return appended_ ? SyncRecordFile(file_) : kDone; }

void MbasesFile::SyncBeforeExit() {
  if (opened_ != nullptr) (void)opened_->Sync();
}

}  // namespace korvanex
