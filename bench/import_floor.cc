// The floor the import is measured against: only the input and output that importing an
// area list cannot avoid. It reads korvanex.cfg, ostrel.dat, mbases.dat and the area list in
// large blocks, writes each area's console line in one write, of the length the tool writes
// when the console is no terminal, appends each new base's record with a write of its own
// (each must be in the file before the next area is taken) and syncs mbases.dat once at
// the end. It runs as the tool does, from the directory that holds korvanex.cfg:
//   import_floor ROOT AREA-LIST
// Its lookup and line parsing are just enough for the benchmark's generated files; it checks
// no records and numbers no bases.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/host_config.h"

namespace korvanex {
namespace {

constexpr size_t kBlockSize = 1 << 16;
// Whole records, at least one block's worth, so that no record straddles two reads.
constexpr size_t kRecordsPerRead = (kBlockSize + kBaseRecordSize - 1) / kBaseRecordSize;

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

bool ReadAll(int fd, void* into, size_t size) {
  char* at = static_cast<char*>(into);
  while (size > 0) {
    const ssize_t got = read(fd, at, size);
    if (got <= 0) return false;
    at += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool ReadRecord(const std::string& path, void* record, size_t size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool read_whole = fd >= 0 && ReadAll(fd, record, size);
  if (fd >= 0) close(fd);
  return read_whole;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

struct Bases {
  int fd = -1;
  int64_t count = 0;  // whole records
  BaseRecord last;    // the bytes a new record starts from
  std::unordered_set<std::string> file_names;
};

void TakeIn(Bases* bases, const uint8_t* record) {
  const size_t length = record[base_field::kFileName.offset];
  if (length <= base_field::kFileName.capacity) {
    const char* name = reinterpret_cast<const char*>(record + base_field::kFileName.offset + 1);
    bases->file_names.insert(Upper(std::string_view(name, length)));
  }
  std::memcpy(bases->last.bytes, record, kBaseRecordSize);
}

// Reads every whole record of mbases.dat, one block of whole records a read.
bool LoadBases(Bases* bases) {
  struct stat status;
  if (fstat(bases->fd, &status) != 0) return false;
  bases->count = status.st_size / static_cast<off_t>(kBaseRecordSize);
  static uint8_t block[kRecordsPerRead * kBaseRecordSize];
  for (int64_t done = 0; done < bases->count;) {
    const size_t records = static_cast<size_t>(
        std::min<int64_t>(bases->count - done, static_cast<int64_t>(kRecordsPerRead)));
    if (!ReadAll(bases->fd, block, records * kBaseRecordSize)) return false;
    for (size_t i = 0; i < records; ++i) TakeIn(bases, block + i * kBaseRecordSize);
    done += static_cast<int64_t>(records);
  }
  return true;
}

// The next blank-separated word of `text` from `*at`, leaving `*at` behind it.
std::string_view NextWord(std::string_view text, size_t* at) {
  const size_t start = std::min(text.find_first_not_of(' ', *at), text.size());
  *at = std::min(text.find(' ', start), text.size());
  return text.substr(start, *at - start);
}

// One line of the area list. Returns false when the import could not go on.
bool ImportLine(std::string_view line, Bases* bases, int* imported) {
  size_t at = 0;
  const std::string_view path = NextWord(line, &at);
  const std::string_view tag = NextWord(line, &at);
  if (path.empty() || path[0] != '!' || tag.empty()) return true;
  const size_t slash = path.find_last_of("/\\");
  const std::string name = Upper(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (name.find("NETMAIL") != std::string::npos) return true;
  std::string shown = "- Area: ";
  shown += tag;
  shown.resize(8 + 62, ' ');  // the tag padded or cut to 62 characters
  const std::string key = name.substr(0, base_field::kFileName.capacity);
  const bool exists = bases->file_names.count(key) != 0;
  shown += exists ? "Exists\r\n" : "Creating\r\n";
  if (!WriteAll(STDOUT_FILENO, shown)) return false;
  if (exists) return true;

  BaseRecord record = bases->last;
  record.bytes[base_field::kFileName.offset] = static_cast<uint8_t>(key.size());
  std::memcpy(record.bytes + base_field::kFileName.offset + 1, key.data(), key.size());
  const off_t offset = static_cast<off_t>(bases->count) * static_cast<off_t>(kBaseRecordSize);
  if (pwrite(bases->fd, record.bytes, kBaseRecordSize, offset) !=
      static_cast<ssize_t>(kBaseRecordSize)) {
    return false;
  }
  ++bases->count;
  bases->last = record;
  bases->file_names.insert(key);
  ++*imported;
  return true;
}

// Reads the area list a block at a time; a CR, an LF or both end a line.
bool ImportAreaList(int area_fd, Bases* bases, int* imported) {
  static char block[kBlockSize];
  std::string line;
  for (;;) {
    const ssize_t got = read(area_fd, block, sizeof block);
    if (got < 0) return false;
    if (got == 0) return ImportLine(line, bases, imported);
    std::string_view rest(block, static_cast<size_t>(got));
    for (size_t end; (end = rest.find_first_of("\r\n")) != std::string_view::npos;) {
      line += rest.substr(0, end);
      rest.remove_prefix(end + 1);
      if (!line.empty() && !ImportLine(line, bases, imported)) return false;
      line.clear();
    }
    line += rest;
  }
}

int Floor(const char* root, const char* area_list) {
  DefaultsRecord defaults;
  HostConfigRecord host;
  if (!ReadRecord(kDefaultsFileName, defaults.bytes, kDefaultsRecordSize)) return 1;
  WriteAll(STDOUT_FILENO,
           "\nKORVANEX v1.0 : Imports AREAS.BBS File Into Ostrel\n"
           "              : Compatible with Ostrel BBS v1.07.2\n\n");
  const std::string root_dir(root);
  const char* slash = root_dir.empty() || root_dir.back() == '/' ? "" : "/";
  if (!ReadRecord(root_dir + slash + "ostrel.dat", host.bytes, kHostConfigRecordSize)) return 1;
  const char* data_path =
      reinterpret_cast<const char*>(host.bytes + host_field::kDataPath.offset + 1);
  const std::string mbases_path =
      std::string(data_path, host.bytes[host_field::kDataPath.offset]) + "mbases.dat";

  const int area_fd = open(area_list, O_RDONLY | O_CLOEXEC);
  Bases bases;
  bases.fd = open(mbases_path.c_str(), O_RDWR | O_CLOEXEC);
  int imported = 0;
  const bool done = area_fd >= 0 && bases.fd >= 0 && LoadBases(&bases) &&
                    ImportAreaList(area_fd, &bases, &imported) && fdatasync(bases.fd) == 0;
  if (area_fd >= 0) close(area_fd);
  if (bases.fd >= 0) close(bases.fd);
  if (!done) return 1;
  WriteAll(STDOUT_FILENO, "\nComplete; Imported " + std::to_string(imported) + " bases.\r\n");
  return 0;
}

}  // namespace
}  // namespace korvanex

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: import_floor ROOT AREA-LIST\n");
    return 2;
  }
  const int status = korvanex::Floor(argv[1], argv[2]);
  if (status != 0) std::fprintf(stderr, "import_floor: the import did not complete\n");
  return status;
}
