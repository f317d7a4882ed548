#include "formats/defaults_record.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "formats/fd_io.h"
#include "formats/record_file.h"

namespace korvanex {

void SetBuiltInDefaults(DefaultsRecord* record) {
  using namespace defaults_field;
  EncodeCounted(record->bytes, kListACS, "s20");
  EncodeCounted(record->bytes, kReadACS, "s20");
  EncodeCounted(record->bytes, kPostACS, "s20");
  EncodeCounted(record->bytes, kSysopACS, "s255");
  EncodeCounted(record->bytes, kPassword, "");
  record->bytes[kRealNames] = 1;
  record->bytes[kDefNewScan] = 1;
  record->bytes[kDefQwkScan] = 1;
  EncodeFixed16(record->bytes + kMaxMsgs, 500);
  EncodeFixed16(record->bytes + kMaxMsgAge, 0);
  EncodeCounted(record->bytes, kHeaderFile, "");
  record->bytes[kBaseFormat] = 0;
}

Outcome LoadDefaults(DefaultsRecord* record, bool* loaded) {
  *loaded = false;
  RecordFile file;
  const Outcome opened = OpenRecordFile(kDefaultsFileName, kDefaultsRecordSize, &file);
  // Something of that name that is no regular file (100) is no first run: it can never
  // hold the settings, and treating it as missing would only end in a save that cannot
  // succeed.
  if (opened == kErrorShortRecord || opened == kErrorTooManyOpenFiles ||
      opened == kErrorOutOfMemory) {
    return opened;
  }
  if (!opened.ok()) {
    SetBuiltInDefaults(record);
    return kDone;
  }
  // The record goes in whole or not at all: a failed read leaves the record untouched.
  DefaultsRecord read;
  const Outcome read_outcome = ReadRecordsAt(file, 0, 1, read.bytes);
  CloseRecordFile(&file);
  if (!read_outcome.ok()) return kErrorShortRecord;
  *record = read;
  *loaded = true;
  return kDone;
}

namespace {

constexpr int kWriteFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;

// The rule the kernel can apply to symbolic links (protected_symlinks), applied whatever
// the system's setting: in a sticky directory that everyone may write, such as /tmp, a
// link is followed only when it belongs to the user or to the directory's owner, so that
// nobody can plant one that leads the save into another file.
bool MayFollowLink() {
  struct stat link;
  struct stat directory;
  if (lstat(kDefaultsFileName, &link) != 0 || stat(".", &directory) != 0) return false;
  const bool shared = (directory.st_mode & S_ISVTX) != 0 && (directory.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == geteuid() || link.st_uid == directory.st_uid;
}

// Writes the record over the start of the open file and cuts off what lay behind it, so
// the file stays the same file. The write comes first: a failed one leaves the old
// settings whole.
bool RewriteInPlace(int fd, const DefaultsRecord& record) {
  FileStamp stamp;
  if (!StampAt(fd, nullptr, &stamp).ok() || !S_ISREG(stamp.mode)) return false;
  const bool longer = stamp.size > static_cast<int64_t>(kDefaultsRecordSize);
  return WriteFully(fd, record.bytes, kDefaultsRecordSize, 0).ok() &&
         (!longer || ftruncate(fd, kDefaultsRecordSize) == 0) && fdatasync(fd) == 0;
}

// Makes the new name durable.
bool SyncDirectory() {
  const int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

// Gives the unnamed file the name korvanex.cfg; fails when that name exists by now. Only
// a process with CAP_DAC_READ_SEARCH may link the descriptor itself; any other links it
// through its entry in /proc.
bool LinkIntoPlace(int fd) {
  if (linkat(fd, "", AT_FDCWD, kDefaultsFileName, AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, path.c_str(), AT_FDCWD, kDefaultsFileName, AT_SYMLINK_FOLLOW) == 0;
}

// The last resort where neither a link nor a rename can give a name without replacing a
// file: a new korvanex.cfg written in place, which a killed save may leave empty or partial.
bool CreateInPlace(const DefaultsRecord& record) {
  const int fd =
      open(kDefaultsFileName, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = WriteFully(fd, record.bytes, kDefaultsRecordSize).ok() && fsync(fd) == 0;
  close(fd);
  return ok;
}

// Gives the hidden file the name korvanex.cfg and takes the hidden name away, never over a
// file of that name: by a hard link or, where the file system has none (FAT, SMB), by a
// rename that will not replace. When it fails, errno is EEXIST if the name is taken.
bool NameHiddenFile(const char* hidden) {
  if (link(hidden, kDefaultsFileName) == 0) {
    unlink(hidden);
    return true;
  }
  return errno != EEXIST &&
         renameat2(AT_FDCWD, hidden, AT_FDCWD, kDefaultsFileName, RENAME_NOREPLACE) == 0;
}

// For file systems without unnamed files: a hidden name that only the user may open until
// the file is whole. A save killed before it is removed again leaves it behind.
bool CreateThroughHiddenName(const DefaultsRecord& record) {
  char hidden[] = ".korvanex.cfg.XXXXXX";
  const int fd = mkostemp(hidden, O_CLOEXEC);
  if (fd < 0) return false;
  const mode_t mask = umask(0);
  umask(mask);
  bool whole = WriteFully(fd, record.bytes, kDefaultsRecordSize).ok();
  // Where modes cannot be changed, the file keeps the hidden file's 0600: the safe side.
  (void)fchmod(fd, 0666 & ~mask);
  whole = whole && fsync(fd) == 0;
  close(fd);
  if (whole && NameHiddenFile(hidden)) return SyncDirectory();
  const bool taken = errno == EEXIST;
  unlink(hidden);
  return whole && !taken && CreateInPlace(record) && SyncDirectory();
}

// Builds the whole file where nobody sees it, an unnamed file in the current directory,
// and only then gives it its name, so that no one ever finds an empty or partial
// korvanex.cfg, not even after the save is killed. Created with read and write for
// everyone, less the umask (or as a default ACL says), like any new file.
bool CreateDefaultsFile(const DefaultsRecord& record) {
  const int fd = open(".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    return (errno == EOPNOTSUPP || errno == EISDIR) && CreateThroughHiddenName(record);
  }
  const bool ok =
      WriteFully(fd, record.bytes, kDefaultsRecordSize).ok() && fsync(fd) == 0 && LinkIntoPlace(fd);
  close(fd);
  return ok && SyncDirectory();
}

}  // namespace

// The link rule looks at the link named korvanex.cfg only; links further along its chain
// are followed as the system allows. A link that passed the check can be swapped before the
// open only by its owner, the directory's owner or root, whom the rule trusts anyway. The
// name is first opened without following a link, so a file cannot turn into a link behind
// the check.
bool SaveDefaults(const DefaultsRecord& record) {
  int fd = open(kDefaultsFileName, kWriteFlags | O_NOFOLLOW);
  if (fd < 0 && errno == ENOENT) return CreateDefaultsFile(record);
  // A symbolic link: followed as a plain open follows it, unless it may have been planted.
  // Through a dangling link nothing is created.
  if (fd < 0 && errno == ELOOP && MayFollowLink()) fd = open(kDefaultsFileName, kWriteFlags);
  if (fd < 0) return false;
  const bool saved = RewriteInPlace(fd, record);
  close(fd);
  return saved;
}

}  // namespace korvanex
