#include "app/line_reader.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "formats/outcome.h"

namespace korvanex {

Outcome LineReader::Fill() {
  if (HasByte() || eof_) return kDone;
  ssize_t got = read(fd_, buffer_.get(), kBufferSize);
  if (got < 0) return OutcomeOfErrno(errno);
  pos_ = 0;
  end_ = static_cast<size_t>(got);
  eof_ = got == 0;
  return kDone;
}

Outcome LineReader::ReadLine(Str255* line, bool* got) {
  *line = Str255();
  if (Outcome outcome = Fill(); !outcome.ok()) return outcome;
  *got = HasByte();
  while (HasByte()) {
    // The characters up to the next line end, or to the end of what was read, go in one
    // piece; those past 255 are dropped up to the line end.
    const char* const begin = buffer_.get() + pos_;
    const char* const end = buffer_.get() + end_;
    // The first LF bounds the search for a CR before it.
    const void* const lf = std::memchr(begin, '\n', end_ - pos_);
    const char* const lf_or_end = lf != nullptr ? static_cast<const char*>(lf) : end;
    const void* const cr = std::memchr(begin, '\r', static_cast<size_t>(lf_or_end - begin));
    const char* const stop = cr != nullptr ? static_cast<const char*>(cr) : lf_or_end;
    line->Append(std::string_view(begin, static_cast<size_t>(stop - begin)));
    pos_ += static_cast<size_t>(stop - begin);
    if (stop != end) {
      ++pos_;
      if (*stop == '\n') return kDone;
      // A CR followed by an LF is one line end, even across two reads.
      const Outcome filled = Fill();
      if (HasByte() && buffer_[pos_] == '\n') ++pos_;
      return filled;
    }
    if (Outcome outcome = Fill(); !outcome.ok()) return outcome;
  }
  return kDone;
}

}  // namespace korvanex
