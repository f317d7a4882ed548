// The floor an import is measured against: the least input and output a sound importer of
// an area list must do. It reads mbases.dat and the area list in 64 KB blocks; for every
// line whose first non-blank character is "!" it looks once at mbases.dat (one stat of its
// whole path, the least look that sees a replaced, moved or rewritten file) and writes one
// console line as long as the tool's; for the first NEW of those lines it then appends a record of
// 282 bytes in one write and takes the file's stamps right after it (one fstat, which tells its own
// append from another program's write without trusting a clock), before it reads on, as an importer
// finishes each area before the next. At the end it reads the whole of mbases.dat once more, as a
// check that the bases are there must, and syncs once. It parses nothing more and keeps no index:
// it is told how many areas are new.
//   import_floor DATA-DIR AREA-LIST NEW
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/messages.h"
#include "formats/base_record.h"

namespace {

constexpr size_t kBlockSize = 1 << 16;
constexpr size_t kRecordSize = korvanex::kBaseRecordSize;

char block[kBlockSize];

// A text as the tool writes it where the console is no terminal: without its colour codes.
std::string WithoutCodes(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '|' && i + 2 < text.size()) {
      i += 2;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

// The console line of a new area, as long as the tool's.
std::string NewAreaLine() {
  namespace message = korvanex::message;
  std::string tag = "A.TAG";
  tag.resize(message::kTagColumns, ' ');
  return WithoutCodes(message::kAreaHead) + tag + WithoutCodes(message::kAreaCreating) + "\r\n";
}

// Reads the whole file; returns false on a failed read.
bool ReadThrough(int fd) {
  ssize_t got;
  while ((got = read(fd, block, sizeof block)) > 0) {
  }
  return got == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: import_floor DATA-DIR AREA-LIST NEW\n");
    return 2;
  }
  long to_append = std::atol(argv[3]);
  const std::string path = std::string(argv[1]) + "/mbases.dat";
  const int bases = open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  const int areas = open(argv[2], O_RDONLY | O_CLOEXEC);
  if (bases < 0 || areas < 0 || !ReadThrough(bases)) return 1;

  const std::string line = NewAreaLine();
  bool line_start = true;  // no character but blanks yet on this line
  ssize_t got;
  while ((got = read(areas, block, sizeof block)) > 0) {
    for (ssize_t i = 0; i < got; ++i) {
      const char c = block[i];
      if (c == '\n' || c == '\r') {
        line_start = true;
      } else if (line_start && c != ' ') {
        line_start = false;
        if (c != '!') continue;
        struct stat status;
        if (stat(path.c_str(), &status) != 0 ||
            write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
          return 1;
        }
        if (to_append == 0) continue;
        // The record's bytes do not matter, only that a whole record goes in one write.
        static const char record[kRecordSize] = {};
        if (write(bases, record, kRecordSize) != static_cast<ssize_t>(kRecordSize) ||
            fstat(bases, &status) != 0) {
          return 1;
        }
        --to_append;
      }
    }
  }
  return got == 0 && to_append == 0 && lseek(bases, 0, SEEK_SET) == 0 && ReadThrough(bases) &&
                 fdatasync(bases) == 0
             ? 0
             : 1;
}
