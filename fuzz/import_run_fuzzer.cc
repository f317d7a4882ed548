// A whole import run, in-process, in a private directory. One input is split into
// korvanex.cfg, ostrel.dat, mbases.dat and AREAS.BBS; after the run the invariants that
// protect the host's data are checked, and any violation aborts:
//  - the whole records mbases.dat held before are unchanged;
//  - the file grew by exactly 282 bytes per "Creating" (and not at all without one);
//  - every index written is in 1..32767 and differs from every other index in the file;
//  - every length byte of a written record is within its field's capacity.
//
// Input layout: one control byte, then four parts separated by kSeparator:
//   cfg, ostrel, mbases, areas.
// Control bit 0: korvanex.cfg is the cfg part as it stands (an empty or short one gives
// error 100); otherwise the part is laid over the built-in defaults.
// Control bit 1: ostrel.dat is the ostrel part as it stands; otherwise its first 82 bytes
// are laid over DataPath and MsgBasePath, and the rest over the address slots, the
// default text and bytes of a valid 1824-byte record.
// A DataPath that holds a "/" is emptied, so that the run only ever writes files of its
// own directory.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/korvanex_main.h"
#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "host_files.h"

namespace {

constexpr std::string_view kSeparator = "\n=*=\n";
constexpr size_t kRecord = korvanex::kBaseRecordSize;
constexpr int kWatchedFds = 256;

void WriteAll(const char* name, const std::string& bytes) {
  const int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) abort();
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) abort();
    done += static_cast<size_t>(put);
  }
  close(fd);
}

std::string ReadAll(const char* name) {
  std::string bytes;
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char buffer[65536];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0)
    bytes.append(buffer, static_cast<size_t>(got));
  close(fd);
  return bytes;
}

std::string BuiltInDefaults() {
  const korvanex::DefaultsRecord record = korvanex::MakeDefaultsRecord({});
  return std::string(std::begin(record.bytes), std::end(record.bytes));
}

std::string HostTemplate() {
  korvanex::HostSetup setup;
  setup.zones = {21, 2, 1};
  const korvanex::HostConfigRecord record = korvanex::MakeHostConfig(setup);
  return std::string(std::begin(record.bytes), std::end(record.bytes));
}

void Overlay(std::string* bytes, size_t offset, std::string_view part) {
  for (size_t i = 0; i < part.size() && offset + i < bytes->size(); ++i) {
    (*bytes)[offset + i] = part[i];
  }
}

// The tool joins DataPath (its length byte taken up to 255) and "mbases.dat". Only a path
// inside this directory may be written: with a "/" in the text the field is emptied. A NUL
// stays: cut there, the path could name ostrel.dat or korvanex.cfg, which the checks
// below would then find changed.
void KeepDataPathLocal(std::string* ostrel) {
  if (ostrel->size() < 83) return;
  const size_t length = static_cast<uint8_t>((*ostrel)[82]);
  const size_t end = std::min(ostrel->size(), 83 + length);
  const std::string_view text(ostrel->data() + 83, end - 83);
  if (text.find('/') != std::string_view::npos) (*ostrel)[82] = 0;
}

uint16_t IndexOf(const std::string& bytes, size_t record) {
  const size_t at = record * kRecord + korvanex::base_field::kIndex;
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

size_t Count(const std::string& text, std::string_view word) {
  size_t count = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    ++count;
  }
  return count;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "import_run_fuzzer: invariant violated: %s\n", what);
    abort();
  }
}

int output_fd = -1;
int home_fd = -1;  // the fuzzer's own directory, where its corpus and findings live
int work_fd = -1;  // the private directory of the runs

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/korvanex-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) abort();
  home_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  work_fd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // Console output is caught in a file of its own instead of standard output.
  output_fd = openat(work_fd, "console.out", O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (home_fd < 0 || work_fd < 0 || output_fd < 0) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  for (int i = 0; i < 3; ++i) {
    const size_t at = rest.find(kSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(rest.substr(0, at));
    rest.remove_prefix(at + kSeparator.size());
  }
  parts.push_back(rest);
  while (parts.size() < 4) parts.insert(parts.begin(), std::string_view());

  std::string cfg;
  if (control & 1) {
    cfg = std::string(parts[0]);
  } else {
    cfg = BuiltInDefaults();
    Overlay(&cfg, 0, parts[0]);
  }
  std::string ostrel;
  if (control & 2) {
    ostrel = std::string(parts[1]);
  } else {
    ostrel = HostTemplate();
    Overlay(&ostrel, 82, parts[1].substr(0, 82));
    if (parts[1].size() > 82) Overlay(&ostrel, 823, parts[1].substr(82));
  }
  KeepDataPathLocal(&ostrel);
  const std::string old_mbases(parts[2]);

  if (fchdir(work_fd) != 0) abort();
  WriteAll("korvanex.cfg", cfg);
  WriteAll("ostrel.dat", ostrel);
  WriteAll("mbases.dat", old_mbases);
  // Stamped long ago, so that a partial record at its end is stray bytes, not another
  // program's append under way that the run would wait for.
  const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
  if (utimensat(AT_FDCWD, "mbases.dat", long_ago, 0) != 0) abort();
  WriteAll("AREAS.BBS", std::string(parts[3]));

  // Whatever the run leaves open is closed afterwards (and counted as a fault).
  bool was_open[kWatchedFds];
  for (int fd = 0; fd < kWatchedFds; ++fd) was_open[fd] = fcntl(fd, F_GETFD) != -1;

  fflush(stdout);
  const int saved_stdout = dup(STDOUT_FILENO);
  if (ftruncate(output_fd, 0) != 0 || lseek(output_fd, 0, SEEK_SET) != 0) abort();
  dup2(output_fd, STDOUT_FILENO);
  const char* const argv[] = {"korvanex", ".", "AREAS.BBS", nullptr};
  const int status = korvanex::RunKorvanex(3, argv);
  dup2(saved_stdout, STDOUT_FILENO);
  close(saved_stdout);

  int leaked = 0;
  for (int fd = 0; fd < kWatchedFds; ++fd) {
    if (!was_open[fd] && fcntl(fd, F_GETFD) != -1) {
      close(fd);
      ++leaked;
    }
  }
  Check(leaked == 0 || status != 0, "a completed run left a file open");

  const std::string output = ReadAll("console.out");
  const std::string new_mbases = ReadAll("mbases.dat");
  korvanex::ConsoleText creating_line;  // as a console that is no terminal shows it
  korvanex::AppendPipeLine(korvanex::message::kAreaCreating, &creating_line);
  const size_t creating = Count(output, creating_line.bytes);

  // Nothing but bad input reaches these files, so the only failures are the open errors
  // (status 1) and short records (status 100).
  Check(status == 0 || status == 1 || status == 100, "unexpected exit status");
  Check(ReadAll("ostrel.dat") == ostrel, "ostrel.dat changed");
  Check(ReadAll("korvanex.cfg") == cfg, "korvanex.cfg changed");

  const size_t old_whole = old_mbases.size() / kRecord * kRecord;
  if (creating == 0) {
    Check(new_mbases == old_mbases, "mbases.dat changed without a new base");
  } else {
    Check(new_mbases.size() == old_whole + creating * kRecord,
          "mbases.dat did not grow by one record per new base");
    Check(new_mbases.compare(0, old_whole, old_mbases, 0, old_whole) == 0,
          "an existing record changed");
  }
  if (status == 0) {
    const std::string summary = "Imported " + std::to_string(creating) + " bases.";
    Check(output.find(summary) != std::string::npos, "summary count differs from new bases");
  }

  const size_t records = new_mbases.size() / kRecord;
  std::multiset<uint16_t> all_indexes;
  for (size_t r = 0; r < records; ++r) all_indexes.insert(IndexOf(new_mbases, r));
  for (size_t r = old_whole / kRecord; r < records; ++r) {
    const uint16_t index = IndexOf(new_mbases, r);
    Check(index >= 1 && index <= 32767, "written index outside 1..32767");
    Check(all_indexes.count(index) == 1, "written index used twice");
    const uint8_t* record = reinterpret_cast<const uint8_t*>(new_mbases.data()) + r * kRecord;
    namespace b = korvanex::base_field;
    for (const korvanex::CountedField& field :
         {b::kName, b::kShortName, b::kFileName, b::kPath, b::kListACS, b::kReadACS, b::kPostACS,
          b::kSysopACS, b::kPassword, b::kHostText, b::kHeaderFile}) {
      Check(record[field.offset] <= field.capacity, "string length above its capacity");
    }
    Check(record[b::kAddressSlot] >= 1 && record[b::kAddressSlot] <= 20,
          "address slot outside 1..20");
  }
  if (fchdir(home_fd) != 0) abort();
  return 0;
}
