#include "app/base_index.h"

#include <algorithm>
#include <memory>

#include "formats/coding.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

// Records read at a time: 256 records, some 70 KB.
constexpr size_t kRecordsPerRead = 256;

// Takes in the file name and the index of a record.
void TakeIn(BaseIndex* index, const uint8_t* record) {
  // A damaged length above 8 would run on into the next fields; such a name never
  // matches, and nothing outside the record is read.
  if (record[base_field::kFileName.offset] <= base_field::kFileName.capacity) {
    const Str255 name = DecodeCounted(record, kBaseRecordSize, base_field::kFileName);
    index->file_names.Insert(UpperCase(name).view());
  }
  index->indexes.set(DecodeFixed16(record + base_field::kIndex));
}

}  // namespace

ErrorNumber RefreshBaseIndex(MbasesFile* mbases, BaseIndex* index, bool* unfinished) {
  MbasesChange change = MbasesChange::kNone;
  if (ErrorNumber error = LookAtMbases(mbases, &change, unfinished)) return error;
  if (*unfinished || change == MbasesChange::kNone) return kNoError;
  // Another program appended (read what was added since the last read, the run's own
  // appends among it), or rewrote the file (read everything again).
  if (change == MbasesChange::kRewritten) *index = BaseIndex();
  const RecordFile& file = mbases->file;
  const int64_t count = mbases->known.size / static_cast<int64_t>(kBaseRecordSize);
  index->file_names.Reserve(static_cast<size_t>(count));
  // Only what a read filled of the block is looked at, so it is not cleared first.
  const std::unique_ptr<uint8_t[]> block(new uint8_t[kRecordsPerRead * kBaseRecordSize]);
  for (int64_t first = index->records_read; first < count;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(count - first, kRecordsPerRead));
    if (ErrorNumber error = ReadRecordsAt(file, first, n, block.get())) return error;
    for (size_t i = 0; i < n; ++i) TakeIn(index, block.get() + i * kBaseRecordSize);
    first += static_cast<int64_t>(n);
    if (first == count) {
      std::copy_n(block.get() + (n - 1) * kBaseRecordSize, kBaseRecordSize,
                  index->last_record.bytes);
    }
  }
  index->record_count = count;
  index->records_read = count;
  return kNoError;
}

bool HasFileName(const BaseIndex& index, const Str255& file_name) {
  Str255 cut = UpperCase(file_name);
  cut.Truncate(static_cast<int>(base_field::kFileName.capacity));
  return index.file_names.Contains(cut.view());
}

std::optional<int32_t> NextFreeIndex(BaseIndex* index) {
  // Indexes are signed 16-bit numbers: a candidate in 1..32767 matches the stored pattern
  // of the same value, and negative stored indexes never match. Both the record count and
  // the indexes in use only grow, so the search goes on from where the last one ended.
  int64_t candidate = std::max<int64_t>(index->free_from, index->record_count + 1);
  while (candidate <= kHighestBaseIndex && index->indexes.test(static_cast<size_t>(candidate))) {
    ++candidate;
  }
  if (candidate > kHighestBaseIndex) return std::nullopt;
  index->free_from = static_cast<int32_t>(candidate);
  return index->free_from;
}

void AddAppendedRecord(BaseIndex* index, const BaseRecord& record) {
  TakeIn(index, record.bytes);
  index->last_record = record;
  ++index->record_count;
}

}  // namespace korvanex
