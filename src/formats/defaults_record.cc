#include "formats/defaults_record.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "formats/coding.h"
#include "formats/error_number.h"
#include "formats/fd_io.h"
#include "formats/record_file.h"

namespace korvanex {

Str255 GetDefaultsText(const DefaultsRecord& record, CountedField field) {
  return DecodeCounted(record.bytes, field);
}

void SetDefaultsText(DefaultsRecord* record, CountedField field, const Str255& text) {
  EncodeCounted(record->bytes, field, text);
}

uint16_t GetDefaultsNumber(const DefaultsRecord& record, size_t offset) {
  return DecodeFixed16(record.bytes + offset);
}

void SetDefaultsNumber(DefaultsRecord* record, size_t offset, uint16_t value) {
  EncodeFixed16(record->bytes + offset, value);
}

void SetBuiltInDefaults(DefaultsRecord* record) {
  using namespace defaults_field;
  SetDefaultsText(record, kListACS, "s20");
  SetDefaultsText(record, kReadACS, "s20");
  SetDefaultsText(record, kPostACS, "s20");
  SetDefaultsText(record, kSysopACS, "s255");
  SetDefaultsText(record, kPassword, "");
  record->bytes[kRealNames] = 1;
  record->bytes[kDefNewScan] = 1;
  record->bytes[kDefQwkScan] = 1;
  SetDefaultsNumber(record, kMaxMsgs, 500);
  SetDefaultsNumber(record, kMaxMsgAge, 0);
  SetDefaultsText(record, kHeaderFile, "");
  record->bytes[kBaseFormat] = 0;
}

DefaultsLoad LoadDefaults(DefaultsRecord* record) {
  DefaultsLoad load;
  RecordFile file;
  const OpenResult opened = OpenRecordFile(kDefaultsFileName, kDefaultsRecordSize, &file);
  // Something of that name that is no regular file is no first run: it can never hold the
  // settings, and treating it as missing would only end in a save that cannot succeed.
  if (opened.not_a_file) {
    load.error = kErrorShortRecord;
    return load;
  }
  if (opened.error == kErrorTooManyOpenFiles || opened.error == kErrorOutOfMemory) {
    load.error = opened.error;
    return load;
  }
  if (opened.error != kNoError) {
    SetBuiltInDefaults(record);
    return load;
  }
  load.from_file = true;
  // The record goes in whole or not at all: a failed read leaves the record untouched.
  DefaultsRecord read;
  const ErrorNumber read_error = ReadRecordsAt(file, 0, 1, read.bytes);
  CloseRecordFile(&file);
  if (read_error != kNoError) {
    load.error = kErrorShortRecord;
    return load;
  }
  *record = read;
  return load;
}

namespace {

constexpr int kMaxLinkHops = 40;

// The file a save must replace: the final target of a chain of symbolic links, so that
// the link itself stays. A dangling link names the file to be created. Returns false for
// a chain that does not end (a loop) or a link that cannot be read.
bool ResolveLinks(std::string path, std::string* target_path) {
  for (int hops = 0; hops < kMaxLinkHops; ++hops) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) {
      *target_path = path;
      return errno == ENOENT;
    }
    if (!S_ISLNK(status.st_mode)) {
      *target_path = path;
      return true;
    }
    std::string target(static_cast<size_t>(status.st_size > 0 ? status.st_size : 4096), '\0');
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length <= 0) return false;
    target.resize(static_cast<size_t>(length));
    if (target[0] != '/') {
      const size_t slash = path.rfind('/');
      if (slash != std::string::npos) target.insert(0, path, 0, slash + 1);
    }
    path = target;
  }
  return false;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes the record to a new temporary file beside `target` and renames it over `target`.
// Returns false, with the temporary file removed, when any step fails.
bool ReplaceFile(const std::string& target, const struct stat* existing,
                 const DefaultsRecord& record) {
  // A new file is created with read and write for everyone less the umask; an existing
  // file's permission bits (and, where we may, its owner) are carried over.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = DirectoryOf(target) + ".korvanex.cfg." + std::to_string(getpid()) + "." +
           std::to_string(attempt);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = true;
  if (existing != nullptr) {
    if (fchown(fd, existing->st_uid, existing->st_gid) != 0) {
      // Not the owner: the new file stays ours, which is what a copy would give too.
    }
    ok = fchmod(fd, existing->st_mode & 07777) == 0;
  }
  ok = ok && WriteFully(fd, record.bytes, kDefaultsRecordSize) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here no longer risks the settings.
  const std::string directory = DirectoryOf(target);
  const int dir_fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir_fd >= 0) {
    fsync(dir_fd);
    close(dir_fd);
  }
  return true;
}

}  // namespace

bool SaveDefaults(const DefaultsRecord& record) {
  std::string target;
  if (!ResolveLinks(kDefaultsFileName, &target)) return false;
  struct stat existing;
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return false;
  if (exists && (!S_ISREG(existing.st_mode) || access(target.c_str(), W_OK) != 0)) {
    return false;  // a file the user may not write is not replaced
  }
  // Signals wait while the temporary file exists: one that ends the process then does so
  // once the file is renamed or removed, never with the file left behind.
  sigset_t all, old;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &old);
  const bool saved = ReplaceFile(target, exists ? &existing : nullptr, record);
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return saved;
}

}  // namespace korvanex
