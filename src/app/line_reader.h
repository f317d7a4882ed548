// Reads AREAS.BBS as lines: a line ends at LF, at CR LF (one line end) or at a lone CR,
// and a last line without a line end counts as well.
#ifndef KORVANEX_APP_LINE_READER_H_
#define KORVANEX_APP_LINE_READER_H_

#include <cstddef>
#include <memory>

#include "formats/outcome.h"
#include "text/counted_text.h"

namespace korvanex {

class LineReader {
 public:
  // The buffer lives on the heap, as the tool must run on a small stack; only what a read
  // filled of it is ever looked at, so it is not cleared first.
  explicit LineReader(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {}

  // Reads the next line into `line`, keeping its first 255 characters and discarding the
  // rest up to its line end. `*got` is false at the end of the file (no characters left).
  Outcome ReadLine(Str255* line, bool* got);

 private:
  // Makes at least one unread byte available unless the file has ended.
  Outcome Fill();
  bool HasByte() const { return pos_ < end_; }

  static constexpr size_t kBufferSize = 65536;

  int fd_;
  std::unique_ptr<char[]> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
};

}  // namespace korvanex

#endif  // KORVANEX_APP_LINE_READER_H_
