#include "app/line_reader.h"

#include <errno.h>
#include <unistd.h>

#include "formats/error_number.h"

namespace korvanex {

int LineReader::Fill() {
  if (HasByte() || eof_) return kNoError;
  ssize_t got = read(fd_, buffer_.get(), kBufferSize);
  if (got < 0) return ErrorNumberFromErrno(errno);
  pos_ = 0;
  end_ = static_cast<size_t>(got);
  eof_ = got == 0;
  return kNoError;
}

int LineReader::ReadLine(Str255* line, bool* got_line) {
  *line = Str255();
  if (int error = Fill()) return error;
  *got_line = HasByte();
  while (HasByte()) {
    const char c = buffer_[pos_++];
    if (c == '\n') return kNoError;
    if (c == '\r') {
      // A CR followed by an LF is one line end, even across two reads.
      if (int error = Fill()) return error;
      if (HasByte() && buffer_[pos_] == '\n') ++pos_;
      return kNoError;
    }
    line->Append(c);  // characters past 255 are dropped up to the line end
    if (int error = Fill()) return error;
  }
  return kNoError;
}

}  // namespace korvanex
