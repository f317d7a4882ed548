// Builds the host's files (ostrel.dat, mbases.dat) and the tool's korvanex.cfg byte by
// byte: the one builder that the bundled example, the benchmark hosts, the end-to-end
// tests and the fuzzers share.
#ifndef KORVANEX_EXAMPLE_HOST_FILES_H_
#define KORVANEX_EXAMPLE_HOST_FILES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/host_config.h"

namespace korvanex {

// The fields of ostrel.dat that the import reads; every other byte is zero.
struct HostSetup {
  std::string data_path;                               // joined to "mbases.dat" as stored
  std::string msgbase_path = "/bbs/msgs/";             // the Path of every new base
  std::array<uint16_t, kAddressSlotCount> zones = {};  // zone of address slots 1..20
  std::string default_text;                            // the HostText of every new base
  std::array<uint8_t, host_field::kBaseDefaultByteCount> default_bytes = {};
};
HostConfigRecord MakeHostConfig(const HostSetup& setup);

// The settings of korvanex.cfg, which every new base also takes. As it stands, the built-in
// ones that a first run saves.
struct DefaultsSetup {
  std::string list_acs = "s20";
  std::string read_acs = "s20";
  std::string post_acs = "s20";
  std::string sysop_acs = "s255";
  std::string password;
  uint8_t real_names = 1;
  uint8_t new_scan = 1;
  uint8_t qwk_scan = 1;
  uint16_t max_msgs = 500;
  uint16_t max_age = 0;
  std::string header_file;
  uint8_t format = 0;  // 0 JAM, 1 Squish
};
DefaultsRecord MakeDefaultsRecord(const DefaultsSetup& setup);

// One message base as the host keeps it.
struct BaseSetup {
  uint8_t fill = 0;  // every byte before the fields are written: what a string leaves behind
  const BaseRecord* under = nullptr;  // when set, the record the fields are written over instead
  std::string name;
  std::string short_name;
  std::string file_name;
  std::string path;
  uint8_t kind = 1;
  uint8_t mode = 0;
  std::array<uint8_t, base_field::kHostByteCount> host_bytes = {};
  uint8_t address_slot = 1;
  std::string host_text;
  DefaultsSetup settings;  // access, password, flags, limits, header file and format
  int16_t index = 0;
};
BaseRecord MakeBaseRecord(const BaseSetup& setup);

// Writes `size` bytes as the whole file at `path`. Returns whether every byte was written.
bool WriteWholeFile(const std::string& path, const void* bytes, size_t size);

}  // namespace korvanex

#endif  // KORVANEX_EXAMPLE_HOST_FILES_H_
