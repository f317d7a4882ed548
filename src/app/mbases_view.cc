#include "app/mbases_view.h"

#include <algorithm>
#include <memory>

#include "formats/coding.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

// Records read at a time: 256 records, some 70 KB.
constexpr size_t kRecordsPerRead = 256;

FileNameKey KeyOf(std::string_view name) {
  FileNameKey key;
  key.length = static_cast<uint8_t>(std::min<size_t>(name.size(), base_field::kFileName.capacity));
  for (size_t i = 0; i < key.length; ++i) {
    key.chars |= static_cast<uint64_t>(static_cast<uint8_t>(UpperCaseChar(name[i]))) << (8 * i);
  }
  return key;
}

// Takes in the index and the file name of a record: among the names of a full read, or
// among those added since. A damaged length above 8 would run on into the next fields;
// such a name never matches, and nothing outside the record is read.
void TakeIn(MbasesView* view, const uint8_t* record, bool full_read) {
  view->indexes.set(DecodeFixed16(record + base_field::kIndex));
  const size_t length = record[base_field::kFileName.offset];
  if (length > base_field::kFileName.capacity) return;
  const FileNameKey key = KeyOf(std::string_view(
      reinterpret_cast<const char*>(record + base_field::kFileName.offset + 1), length));
  if (full_read) {
    view->names_read.push_back(key);
  } else {
    view->names_added.insert(key);
  }
}

}  // namespace

Outcome ReadIntoView(const MbasesFile& mbases, bool afresh, MbasesView* view, bool* read_afresh) {
  const int64_t count = mbases.seen.size / static_cast<int64_t>(kBaseRecordSize);
  // Only what a read filled of the block is looked at, so it is not cleared first.
  const std::unique_ptr<uint8_t[]> block(new uint8_t[kRecordsPerRead * kBaseRecordSize]);
  if (!afresh && view->record_count > 0) {
    if (Outcome failed = ReadRecordsAt(mbases.file, view->record_count - 1, 1, block.get())) {
      return failed;
    }
    afresh = !std::equal(block.get(), block.get() + kBaseRecordSize, view->last_record.bytes);
  }
  if (afresh) {
    *view = MbasesView();
    view->names_read.reserve(static_cast<size_t>(count));
    *read_afresh = true;
  }
  for (int64_t first = view->record_count; first < count;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(count - first, kRecordsPerRead));
    if (Outcome failed = ReadRecordsAt(mbases.file, first, n, block.get())) return failed;
    for (size_t i = 0; i < n; ++i) TakeIn(view, block.get() + i * kBaseRecordSize, afresh);
    first += static_cast<int64_t>(n);
    if (first == count) {
      std::copy_n(block.get() + (n - 1) * kBaseRecordSize, kBaseRecordSize,
                  view->last_record.bytes);
    }
  }
  if (afresh) std::sort(view->names_read.begin(), view->names_read.end());
  view->record_count = count;
  return kDone;
}

bool HasFileName(const MbasesView& view, std::string_view file_name) {
  const FileNameKey key = KeyOf(file_name);
  return std::binary_search(view.names_read.begin(), view.names_read.end(), key) ||
         view.names_added.count(key) != 0;
}

std::optional<int32_t> TakeFreeIndex(MbasesView* view) {
  // Indexes are signed 16-bit numbers: a candidate in 1..32767 matches the stored pattern
  // of the same value, and negative stored indexes never match. Both the record count and
  // the indexes in use only grow, so the search goes on from where the last one ended.
  int64_t candidate = std::max<int64_t>(view->free_from, view->record_count + 1);
  while (candidate <= kHighestBaseIndex && view->indexes.test(static_cast<size_t>(candidate))) {
    ++candidate;
  }
  if (candidate > kHighestBaseIndex) return std::nullopt;
  view->free_from = static_cast<int32_t>(candidate);
  return view->free_from;
}

void TakeInAppended(MbasesView* view, const BaseRecord& record) {
  TakeIn(view, record.bytes, false);
  view->last_record = record;
  ++view->record_count;
}

}  // namespace korvanex
