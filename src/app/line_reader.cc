#include "app/line_reader.h"

#include <errno.h>
#include <unistd.h>

#include "formats/error_number.h"

namespace korvanex {

ErrorNumber LineReader::Fill() {
  if (HasByte() || eof_) return kNoError;
  ssize_t got = read(fd_, buffer_.get(), kBufferSize);
  if (got < 0) return ErrorNumberFromErrno(errno);
  pos_ = 0;
  end_ = static_cast<size_t>(got);
  eof_ = got == 0;
  return kNoError;
}

LineReader::Result LineReader::ReadLine(Str255* line) {
  *line = Str255();
  Result result;
  if ((result.error = Fill()) != kNoError) return result;
  result.got_line = HasByte();
  while (HasByte()) {
    const char c = buffer_[pos_++];
    if (c == '\n') return result;
    if (c == '\r') {
      // A CR followed by an LF is one line end, even across two reads.
      result.error = Fill();
      if (HasByte() && buffer_[pos_] == '\n') ++pos_;
      return result;
    }
    line->Append(c);  // characters past 255 are dropped up to the line end
    if ((result.error = Fill()) != kNoError) return result;
  }
  return result;
}

}  // namespace korvanex
