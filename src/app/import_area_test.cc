#include "app/import_area.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "formats/coding.h"
#include "formats/scratch_dir_for_test.h"
#include "gtest/gtest.h"
#include "host_files.h"
#include "text/text_utils.h"

namespace korvanex {
namespace {

std::string console_output;
void StampLongAgo(const std::string& path) {
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
}
void Capture(const char* data, size_t size) { console_output.append(data, size); }

// The import as first designed: every search rescans the file from its first record, one
// read per record, and every index collision starts the scan again, with one record
// buffer that keeps the last record read. The in-memory index must give the same bytes
// and the same words.
struct Rescanning {
  std::vector<uint8_t> file;
  BaseRecord buffer;  // all zero at start, never cleared

  int64_t Count() const { return static_cast<int64_t>(file.size() / kBaseRecordSize); }
  void Read(int64_t k) {
    std::copy_n(file.begin() + k * kBaseRecordSize, kBaseRecordSize, buffer.bytes);
  }

  bool FindBase(const Str255& file_name) {
    const Str255 wanted = UpperCase(file_name.view().substr(0, 8));
    for (int64_t k = 0; k < Count(); ++k) {
      Read(k);
      if (buffer.bytes[base_field::kFileName.offset] > 8) continue;
      if (UpperCase(DecodeCounted(buffer.bytes, base_field::kFileName)) == wanted) {
        return true;
      }
    }
    return false;
  }

  int32_t NextFreeIndex() {
    int32_t candidate = static_cast<int32_t>(Count()) + 1;
    for (int64_t k = 0; k < Count(); ++k) {
      Read(k);
      if (static_cast<int16_t>(DecodeFixed16(buffer.bytes + base_field::kIndex)) == candidate) {
        ++candidate;
        k = -1;  // start over
      }
    }
    return candidate;
  }

  // The verdict; a new base's record is built here from the fields, over the buffer.
  std::string Import(const AreaEntry& entry, BaseSetup fields) {
    if (FindBase(entry.FileName)) return message::kAreaExists;
    fields.name = fields.short_name = std::string(entry.Tag);
    fields.file_name = std::string(entry.FileName);
    fields.address_slot = entry.AddressSlot;
    Create(fields);
    created.push_back({fields, false});
    return message::kAreaCreating;
  }
  void Create(BaseSetup setup) {
    setup.under = &buffer;
    setup.index = static_cast<int16_t>(NextFreeIndex());
    if (Count() == 0) buffer = BaseRecord();  // a file emptied under the run leaves zeros
    buffer = MakeBaseRecord(setup);
    file.resize(static_cast<size_t>(Count()) * kBaseRecordSize);  // over stray bytes
    file.insert(file.end(), buffer.bytes, buffer.bytes + kBaseRecordSize);
  }
  // After another program's rewrite, the run's bases that it dropped are created again,
  // once; false when one is missing a second time, which ends the run.
  bool CreateMissing() {
    for (auto& [base, created_again] : created) {
      if (FindBase(Str255(base.file_name))) continue;
      if (created_again) return false;
      Create(base);
      created_again = true;
    }
    return true;
  }
  // Each base the run created, and whether it was created again.
  std::vector<std::pair<BaseSetup, bool>> created;
};

class ImportAreaTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    path_ = dir_ + "/mbases.dat";
    ConsoleStartWithSink(Capture, false);
  }
  std::string path_;
};

std::string RandomName(std::mt19937& random) {
  static const char kLetters[] = "abAB1";
  std::string name(std::uniform_int_distribution<int>(0, 10)(random), 'x');
  for (char& c : name) c = kLetters[std::uniform_int_distribution<int>(0, 4)(random)];
  return name;
}

// Tags with pipe codes anywhere, and often with a pipe in the last one or two of the
// columns the console gives them, where a code could run on into the verdict.
std::string RandomTag(std::mt19937& random) {
  static const char kChars[] = "T|0125$a ";
  const bool at_edge = random() % 2 == 0;
  const size_t edge = message::kTagColumns;
  std::string tag(at_edge ? edge - 1 + random() % 4 : 1 + random() % 12, 'x');
  for (char& c : tag) c = kChars[std::uniform_int_distribution<int>(0, 8)(random)];
  if (at_edge) tag[edge - 2 + random() % 2] = '|';
  return tag;
}

BaseRecord RandomRecord(std::mt19937& random) {
  BaseRecord record;
  for (uint8_t& b : record.bytes) b = static_cast<uint8_t>(random());
  EncodeCounted(record.bytes, base_field::kFileName, Str255(RandomName(random)));
  if (random() % 8 == 0) record.bytes[base_field::kFileName.offset] = 9 + random() % 200;
  EncodeFixed16(record.bytes + base_field::kIndex,
                static_cast<uint16_t>(std::uniform_int_distribution<int>(-2, 16)(random)));
  return record;
}

TEST_F(ImportAreaTest, SameBytesAndWordsAsRescanningTheFileForEveryArea) {
  std::mt19937 random(20261207);
  HostSetup host_setup;
  host_setup.msgbase_path = "/m/";
  host_setup.default_text = "host text";
  host_setup.default_bytes = {1, 2, 3, 4};
  const HostConfigRecord host = MakeHostConfig(host_setup);
  BaseSetup fields;
  fields.settings.read_acs = "s30";
  fields.settings.password = "PW";
  fields.settings.max_age = 90;
  fields.settings.header_file = "hdr";
  fields.settings.format = 1;
  fields.path = host_setup.msgbase_path;
  fields.host_text = host_setup.default_text;
  fields.host_bytes = host_setup.default_bytes;
  const DefaultsRecord defaults = MakeDefaultsRecord(fields.settings);

  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    // Existing records: random bytes, short names, a small range of indexes (negative
    // ones too) so that candidates collide, and sometimes stray bytes at the end. Some
    // files span several reads of the file.
    Rescanning reference;
    const int records = round % 10 == 9 ? std::uniform_int_distribution<int>(250, 600)(random)
                                        : std::uniform_int_distribution<int>(0, 12)(random);
    for (int r = 0; r < records; ++r) {
      const BaseRecord record = RandomRecord(random);
      reference.file.insert(reference.file.end(), record.bytes, record.bytes + kBaseRecordSize);
    }
    reference.file.resize(reference.file.size() + random() % 3 * 100, 0x5A);
    WriteBytes(path_, std::string(reference.file.begin(), reference.file.end()));
    // Old enough to be stray bytes, not another program's append under way.
    StampLongAgo(path_);

    ImportRun run;
    run.defaults = defaults;
    run.host = host;
    ASSERT_EQ(run.mbases.Open(path_), kDone);
    const bool terminal = round % 2 == 1;
    bool ended = false;
    for (int a = 0; a < 10 && !ended; ++a) {
      // Another program appends whole records now and then, or rewrites the file without
      // one of them; the run must see both.
      const int change = reference.file.size() % kBaseRecordSize == 0 ? random() % 8 : 7;
      if (change < 2) {
        const BaseRecord record = RandomRecord(random);
        reference.file.insert(reference.file.end(), record.bytes, record.bytes + kBaseRecordSize);
        std::ofstream(path_, std::ios::binary | std::ios::app)
            .write(reinterpret_cast<const char*>(record.bytes), kBaseRecordSize);
        StampLongAgo(path_);
      } else if (change == 2 && !reference.file.empty()) {
        const auto drop =
            reference.file.begin() +
            static_cast<std::ptrdiff_t>(random() % (reference.file.size() / kBaseRecordSize) *
                                        kBaseRecordSize);
        reference.file.erase(drop, drop + kBaseRecordSize);
        WriteBytes(path_, std::string(reference.file.begin(), reference.file.end()));
        StampLongAgo(path_);
        ended = !reference.CreateMissing();
      }
      const std::string file_name = RandomName(random), tag = RandomTag(random);
      AreaEntry entry;
      entry.FileName = file_name;
      entry.Tag = tag;
      entry.AddressSlot = static_cast<uint8_t>(1 + random() % 20);
      // The line is what the head and the verdict give as two texts, one after the other.
      std::string tag_field(tag.substr(0, message::kTagColumns));
      tag_field.resize(message::kTagColumns, ' ');
      ConsoleStartWithSink(Capture, terminal);
      PipeWrite(Str255(message::kAreaHead + tag_field));
      if (!ended) PipeWriteLn(Str255(reference.Import(entry, fields)));
      const std::string expected_line = console_output;
      console_output.clear();
      ConsoleStartWithSink(Capture, terminal);
      ASSERT_EQ(ImportArea(&run, entry),
                ended ? Outcome::Refused(MbasesFile::Refusal::kNotAsWritten) : kDone);
      EXPECT_EQ(console_output, expected_line) << tag;
      console_output.clear();
    }
    EXPECT_EQ(ReadBytes(path_), std::string(reference.file.begin(), reference.file.end()));
  }
}

}  // namespace
}  // namespace korvanex
