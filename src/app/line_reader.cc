#include "app/line_reader.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

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

bool LineReader::ReadLine(Str255* line, ErrorNumber* error) {
  *line = Str255();
  if ((*error = Fill())) return false;
  if (!HasByte()) return false;
  while (HasByte()) {
    // The characters up to the next line end, or to the end of what was read, go in one
    // piece; those past 255 are dropped up to the line end.
    const char* const begin = buffer_.get() + pos_;
    const char* const end = buffer_.get() + end_;
    const char* const stop =
        std::find_if(begin, end, [](char c) { return c == '\n' || c == '\r'; });
    line->Append(std::string_view(begin, static_cast<size_t>(stop - begin)));
    pos_ += static_cast<size_t>(stop - begin);
    if (stop != end) {
      ++pos_;
      if (*stop == '\n') return true;
      // A CR followed by an LF is one line end, even across two reads.
      *error = Fill();
      if (HasByte() && buffer_[pos_] == '\n') ++pos_;
      return !*error;
    }
    if ((*error = Fill())) return false;
  }
  return true;
}

}  // namespace korvanex
