#include "bench_host.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <numeric>
#include <vector>

#include "host_files.h"

namespace korvanex {

namespace {

constexpr int kHighestIndex = 32767;

// Ten topics; a base's file name is a topic and a four-digit number, eight characters in
// all, and its tag the topic's tag with the same number. From 100000 bases on, the number
// has five digits and the name keeps three letters of the topic: every name stays distinct,
// as on a real board, and within the eight characters the host stores.
const char* const kFileStems[] = {"linx", "retr", "prog", "hamr", "scif",
                                  "game", "chat", "news", "tech", "musc"};
const char* const kTagStems[] = {"LINUX.TALK",   "RETRO.COMPUTING",
                                 "PROGRAMMING",  "HAM.RADIO",
                                 "SCIFI.FANDOM", "GAMES.CLASSIC",
                                 "GENERAL.CHAT", "NEWS.WORLD",
                                 "TECH.SUPPORT", "MUSIC.DISCUSSION.AND.REVIEWS.FROM.EVERY.GENRE"};

std::string FileName(int base) {
  char name[16];
  const int number = base / 10;
  std::snprintf(name, sizeof name, number < 10000 ? "%s%04d" : "%.3s%05d", kFileStems[base % 10],
                number);
  return name;
}

std::string Tag(int base) {
  return std::string(kTagStems[base % 10]) + "." + std::to_string(base / 10);
}

// A small fixed generator, so that every run builds the same files.
struct Lcg {
  uint32_t state = 12345;
  uint32_t Next() {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  }
};

std::string AreaLine(int line, int base, bool existing) {
  std::string file = FileName(base);
  // Existing bases listed in other letters must still be found.
  if (existing && line % 3 == 0) {
    for (char& c : file) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  std::string text;
  if (line % 11 == 0) text += "   ";
  text += line % 13 == 0 ? "!D:\\MSGS\\" + file : "!/bbs/msgs/" + file;
  text.resize(text.size() < 30 ? 30 : text.size() + 1, ' ');
  text += Tag(base);
  text.resize(text.size() < 60 ? 60 : text.size() + 1, ' ');
  static const char* const kLinks[] = {"2:280/464 2:280/5555", "1:218/700", "21:1/100 21:1/101",
                                       "2:280/464", "46:1/1 2:280/464 1:218/700"};
  text += kLinks[line % 5];
  text += line % 7 == 0 ? "\r\n" : "\n";
  return text;
}

bool WriteAreas(const std::string& path, const BenchCase& c) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fputs("; AREAS.BBS of a benchmark host, 2:280/464\r\n", file);
  std::fputs("!/bbs/msgs/netmail            NETMAIL                     2:280/464\n", file);
  int created = 0;
  int repeated = 0;
  for (int line = 0; line < c.areas; ++line) {
    // New lines spread evenly among the existing ones.
    const bool is_new = static_cast<long>(line + 1) * c.new_areas / c.areas >
                        static_cast<long>(line) * c.new_areas / c.areas;
    // Existing lines walk the bases in a scattered order (7919 is a prime that divides
    // none of the base counts used); with more lines than bases, names come round again.
    const int base = is_new ? c.existing + created++
                            : static_cast<int>((static_cast<long>(repeated++) * 7919) % c.existing);
    std::fputs(AreaLine(line, base, !is_new).c_str(), file);
    if (line % 50 == 49) std::fputs("; ----\n", file);
    if (line % 100 == 99)
      std::fputs("/bbs/msgs/passthru            PASSTHRU                    2:280/464\n", file);
  }
  const bool failed = std::ferror(file) != 0;
  return std::fclose(file) == 0 && !failed;
}

}  // namespace

bool FitsIndexRange(const BenchCase& c) {
  return c.new_areas == 0 || static_cast<long>(c.existing) + c.new_areas <= kHighestIndex;
}

bool MakeBenchHost(const std::string& dir, const BenchCase& c, std::string* error) {
  if (c.existing < 1 || c.areas < 1 || c.new_areas < 0 || c.new_areas > c.areas) {
    *error = "a case needs at least one base and one area line, and no more new areas than lines";
    return false;
  }
  if (!FitsIndexRange(c)) {
    *error =
        "the case does not fit: the tool numbers new bases from the record count + 1 "
        "and stops at 32767, so with new areas existing + new must stay at or below 32767";
    return false;
  }
  if ((mkdir((dir + "/host").c_str(), 0777) != 0 && errno != EEXIST) ||
      (mkdir((dir + "/host/data").c_str(), 0777) != 0 && errno != EEXIST)) {
    *error = "cannot create the host directories under " + dir;
    return false;
  }

  HostSetup host;
  host.data_path = "host/data/";
  host.msgbase_path = "/bbs/msgs/";
  host.zones[0] = 2;
  host.zones[1] = 1;
  host.zones[2] = 21;
  host.default_text = "Benchmark BBS";
  const HostConfigRecord config = MakeHostConfig(host);

  // Indexes 1..existing in a shuffled order, so that no pass can stop early by luck. Above
  // 32767 bases the stored 16-bit indexes repeat, which matters only to new bases, and such
  // a case has none.
  std::vector<int> indexes(static_cast<size_t>(c.existing));
  std::iota(indexes.begin(), indexes.end(), 1);
  Lcg random;
  for (size_t i = indexes.size() - 1; i > 0; --i)
    std::swap(indexes[i], indexes[random.Next() % (i + 1)]);

  FILE* bases = std::fopen((dir + "/host/data/mbases.dat").c_str(), "wb");
  bool written = bases != nullptr;
  for (int i = 0; written && i < c.existing; ++i) {
    BaseSetup base;
    base.name = Tag(i);
    base.short_name = Tag(i);
    base.file_name = FileName(i);
    base.path = "/bbs/msgs/";
    base.index = static_cast<int16_t>(indexes[static_cast<size_t>(i)]);
    const BaseRecord record = MakeBaseRecord(base);
    written = std::fwrite(record.bytes, 1, kBaseRecordSize, bases) == kBaseRecordSize;
  }
  if (bases != nullptr && std::fclose(bases) != 0) written = false;

  const DefaultsRecord defaults = MakeDefaultsRecord(DefaultsSetup());
  if (!written || !WriteWholeFile(dir + "/host/ostrel.dat", config.bytes, kHostConfigRecordSize) ||
      !WriteWholeFile(dir + "/korvanex.cfg", defaults.bytes, kDefaultsRecordSize) ||
      !WriteAreas(dir + "/AREAS.BBS", c)) {
    *error = "cannot write the benchmark files under " + dir;
    return false;
  }
  return true;
}

}  // namespace korvanex
