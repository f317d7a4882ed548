#include "app/base_index.h"

#include "formats/coding.h"
#include "formats/error_number.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

constexpr int kFileNameCapacity = 8;

void TakeIn(BaseIndex* index, const BaseRecord& record) {
  // A damaged length above 8 would run on into the next fields; such a name never
  // matches, and nothing outside the record is read.
  if (record.bytes[base_field::kFileName] <= kFileNameCapacity) {
    const Str255 name =
        DecodeCounted(record.bytes, kBaseRecordSize, base_field::kFileName, kFileNameCapacity);
    index->file_names.insert(UpperCase(name).str());
  }
  index->indexes.set(DecodeFixed16(record.bytes + base_field::kIndex));
  index->last_record = record;
}

}  // namespace

int LoadBaseIndex(const RecordFile& file, BaseIndex* index) {
  *index = BaseIndex();
  int64_t count = 0;
  if (int error = CountRecords(file, &count)) return error;
  if (int error = RewindRecordFile(file)) return error;
  BaseRecord record;
  for (int64_t i = 0; i < count; ++i) {
    if (int error = ReadNextRecord(file, record.bytes)) return error;
    TakeIn(index, record);
  }
  index->record_count = count;
  return kNoError;
}

bool HasFileName(const BaseIndex& index, const Str255& file_name) {
  Str255 cut = UpperCase(file_name);
  cut.Truncate(kFileNameCapacity);
  return index.file_names.count(cut.str()) != 0;
}

int32_t NextFreeIndex(const BaseIndex& index) {
  // Indexes are signed 16-bit numbers: a candidate in 1..32767 matches the stored pattern
  // of the same value, and negative stored indexes never match.
  int64_t candidate = index.record_count + 1;
  while (candidate <= kHighestBaseIndex && index.indexes.test(static_cast<size_t>(candidate))) {
    ++candidate;
  }
  return candidate <= kHighestBaseIndex ? static_cast<int32_t>(candidate) : 0;
}

void AddRecord(BaseIndex* index, const BaseRecord& record) {
  TakeIn(index, record);
  ++index->record_count;
}

}  // namespace korvanex
