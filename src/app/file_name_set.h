// The file names of the bases in mbases.dat, kept small: a name is at most 8 bytes, so it
// is held as one 64-bit word and a length, in an open-addressing table of about 12 to 24
// bytes per name.
#ifndef KORVANEX_APP_FILE_NAME_SET_H_
#define KORVANEX_APP_FILE_NAME_SET_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace korvanex {

class FileNameSet {
 public:
  static constexpr size_t kMaxNameLength = 8;

  // Makes room for `count` names in all without a further allocation.
  void Reserve(size_t count);
  // Adds a name of at most 8 bytes (longer names are never stored in a record).
  void Insert(std::string_view name);
  bool Contains(std::string_view name) const;
  size_t size() const { return size_; }

 private:
  struct Slot {
    uint64_t chars;
    uint8_t length;  // kEmpty for an unused slot
  };
  static constexpr uint8_t kEmpty = 0xFF;

  // The slot that holds the name, or the empty slot where it would go.
  size_t Find(uint64_t chars, uint8_t length) const;
  void Rehash(size_t capacity);

  // Two arrays rather than one of Slot: a Slot would be padded to 16 bytes.
  std::unique_ptr<uint64_t[]> chars_;
  std::unique_ptr<uint8_t[]> lengths_;
  size_t capacity_ = 0;  // a power of two, or 0
  size_t size_ = 0;
};

}  // namespace korvanex

#endif  // KORVANEX_APP_FILE_NAME_SET_H_
