// Prints every record of an mbases.dat in a form a person can read: three lines per base.
//   mbases_dump host/data/mbases.dat
#include <cstdio>
#include <string>

#include "formats/base_record.h"
#include "formats/coding.h"

namespace korvanex {
namespace {

// A counted field in quotes, its length taken up to the capacity; bytes outside the
// printable ASCII range are shown as \xNN. A damaged length byte is pointed out.
std::string Quoted(const uint8_t* record, CountedField field) {
  std::string shown = "\"";
  const Str255 text = DecodeCountedAt(record, kBaseRecordSize, field.offset, field.capacity);
  for (const unsigned char c : text.view()) {
    if (c < 32 || c > 126 || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  shown += "\"";
  const uint8_t length = record[field.offset];
  if (length > field.capacity) shown += " (length byte " + std::to_string(length) + ")";
  return shown;
}

const char* FormatName(uint8_t format) {
  return format == 0 ? "JAM" : format == 1 ? "Squish" : "?";
}

const char* YesNo(uint8_t flag) { return flag == 0 ? "No" : flag == 1 ? "Yes" : "?"; }

const char* ScanName(uint8_t scan) {
  return scan == 0 ? "No" : scan == 1 ? "Yes" : scan == 2 ? "Forced" : "?";
}

void PrintRecord(long number, const uint8_t* r) {
  namespace b = base_field;
  const int index = static_cast<int16_t>(DecodeFixed16(r + b::kIndex));
  std::printf("#%-3ld Index %-5d Name %s  Short %s  File %s  Path %s\n", number, index,
              Quoted(r, b::kName).c_str(), Quoted(r, b::kShortName).c_str(),
              Quoted(r, b::kFileName).c_str(), Quoted(r, b::kPath).c_str());
  std::printf("     %s  kind %u  mode %u  slot %u  ACS list %s read %s post %s sysop %s\n",
              FormatName(r[b::kBaseFormat]), r[b::kBaseKind], r[b::kBaseMode], r[b::kAddressSlot],
              Quoted(r, b::kListACS).c_str(), Quoted(r, b::kReadACS).c_str(),
              Quoted(r, b::kPostACS).c_str(), Quoted(r, b::kSysopACS).c_str());
  std::printf(
      "     password %s  real names %s  new scan %s  QWK scan %s  max msgs %u  max age %u  "
      "header %s\n",
      Quoted(r, b::kPassword).c_str(), YesNo(r[b::kRealNames]), ScanName(r[b::kDefNewScan]),
      ScanName(r[b::kDefQwkScan]), DecodeFixed16(r + b::kMaxMsgs), DecodeFixed16(r + b::kMaxMsgAge),
      Quoted(r, b::kHeaderFile).c_str());
  std::printf("     host bytes %u %u %u %u  host text %s\n", r[b::kHostBytes], r[b::kHostBytes + 1],
              r[b::kHostBytes + 2], r[b::kHostBytes + 3], Quoted(r, b::kHostText).c_str());
}

int Dump(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::perror(path);
    return 1;
  }
  BaseRecord record;
  long count = 0;
  size_t got = 0;
  while ((got = std::fread(record.bytes, 1, kBaseRecordSize, file)) == kBaseRecordSize) {
    PrintRecord(++count, record.bytes);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    std::fprintf(stderr, "%s: read failed\n", path);
    return 1;
  }
  std::printf("%ld record%s", count, count == 1 ? "" : "s");
  if (got > 0) std::printf(", then %zu bytes that are not a whole record", got);
  std::printf("\n");
  return 0;
}

}  // namespace
}  // namespace korvanex

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mbases_dump MBASES_DAT\n");
    return 2;
  }
  return korvanex::Dump(argv[1]);
}
