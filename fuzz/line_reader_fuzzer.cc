// LineReader over arbitrary bytes, compared line by line with a plain reference split.
// The bytes reach the reader through a packet socket in chunks whose sizes the input
// chooses, so that a read can end anywhere, between a CR and its LF included.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/line_reader.h"
#include "text/counted_text.h"

namespace {

// A line ends at LF, CR LF or a lone CR; only its first 255 bytes are kept; a last line
// without an end counts.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    open = true;
    if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      lines.push_back(line);
      line.clear();
      open = false;
    } else if (line.size() < 255) {
      line += c;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte sets the chunk size; at most 64 packets keep the socket from filling.
  size_t chunk = 1 + data[0] % 32;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (bytes.size() / chunk >= 64) chunk = bytes.size() / 63 + 1;

  int fds[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0) abort();
  const int buffer_size = 1 << 20;
  setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &buffer_size, sizeof buffer_size);
  for (size_t done = 0; done < bytes.size(); done += chunk) {
    const size_t part = bytes.size() - done < chunk ? bytes.size() - done : chunk;
    if (write(fds[1], bytes.data() + done, part) != static_cast<ssize_t>(part)) abort();
  }
  close(fds[1]);

  const std::vector<std::string> expected = ReferenceLines(bytes);
  auto* reader = new korvanex::LineReader(fds[0]);
  size_t count = 0;
  for (;;) {
    korvanex::Str255 line;
    bool got_line = false;
    if (!reader->ReadLine(&line, &got_line).ok()) abort();
    if (!got_line) break;
    if (count >= expected.size() || line.str() != expected[count]) abort();
    ++count;
  }
  if (count != expected.size()) abort();
  // At the end the reader keeps saying so.
  korvanex::Str255 line;
  bool got_line = true;
  if (!reader->ReadLine(&line, &got_line).ok() || got_line || !line.empty()) abort();
  delete reader;
  close(fds[0]);
  return 0;
}
