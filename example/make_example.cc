// Writes the bundled example: a small host (host/ostrel.dat, host/data/mbases.dat), the
// tool's defaults (korvanex.cfg) and an area list (AREAS.BBS), all under one directory.
// The host's DataPath is relative, so the import runs from that directory:
//   korvanex host AREAS.BBS
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "host_files.h"

namespace korvanex {
namespace {

HostSetup ExampleHost() {
  HostSetup host;
  host.data_path = "host/data/";
  host.msgbase_path = "/bbs/msgs/";
  // Slot 1 is the main address; zone 2 again in slot 4 shows that the lowest slot wins.
  const uint16_t zones[] = {2, 1, 21, 2};
  for (size_t i = 0; i < 4; ++i) host.zones[i] = zones[i];
  host.default_text = "Harbour Light BBS * bbs.harbourlight.example";
  const uint8_t bytes[] = {9, 7, 3, 1};
  for (size_t i = 0; i < 4; ++i) host.default_bytes[i] = bytes[i];
  return host;
}

BaseSetup Base(const char* name, const char* short_name, const char* file_name, uint8_t kind,
               int16_t index) {
  BaseSetup base;
  base.name = name;
  base.short_name = short_name;
  base.file_name = file_name;
  base.path = "/bbs/msgs/";
  base.kind = kind;
  base.index = index;
  base.host_text = "Harbour Light BBS * bbs.harbourlight.example";
  const uint8_t bytes[] = {9, 7, 3, 1};
  for (size_t i = 0; i < 4; ++i) base.host_bytes[i] = bytes[i];
  return base;
}

// Four bases whose indexes are not 1..4 in order, so that the numbering of new bases has
// to step over 5.
std::vector<BaseRecord> ExampleBases() {
  BaseSetup announce = Base("Harbour Light Announcements", "ANNOUNCE", "announce", 0, 3);
  announce.settings.post_acs = "s255";
  BaseSetup netmail = Base("Netmail", "NETMAIL", "netmail", 2, 1);
  netmail.settings.read_acs = "s255";
  netmail.settings.real_names = 1;
  BaseSetup linux_talk = Base("Linux Talk", "LINUX.TALK", "linux", 1, 5);
  linux_talk.settings.max_msgs = 2000;
  linux_talk.settings.max_age = 60;
  BaseSetup general = Base("General Chat", "GENERAL", "general", 0, 2);
  general.settings.real_names = 0;
  return {MakeBaseRecord(announce), MakeBaseRecord(netmail), MakeBaseRecord(linux_talk),
          MakeBaseRecord(general)};
}

DefaultsRecord ExampleDefaults() {
  DefaultsSetup defaults;
  // Each setting apart from the built-in value and from its neighbours, so that the import
  // of the example pins where every one of them goes.
  defaults.list_acs = "s10";
  defaults.read_acs = "s15";
  defaults.sysop_acs = "s250";
  defaults.password = "HARBOUR";
  defaults.new_scan = 2;
  defaults.qwk_scan = 0;
  defaults.max_msgs = 1000;
  defaults.max_age = 90;
  defaults.header_file = "harbour";
  defaults.format = 1;
  return MakeDefaultsRecord(defaults);
}

// Comments, an unmarked line, a netmail area, an area the host already has (in other
// letters), new areas in zones 2, 1, 21 and 46, a tag longer than the console column, a
// DOS path, a file name longer than eight characters and an area without links. Some lines
// end in CR LF, as after an edit on another system.
std::string ExampleAreas() {
  const char* const lines[] = {
      "; AREAS.BBS of Harbour Light BBS, 2:280/464\r\n",
      "; Lines that start with \"!\" become message bases; every other line is skipped.\r\n",
      ";\n",
      "; path                      tag                      links\n",
      "!/bbs/msgs/netmail          NETMAIL                  2:280/464\n",
      "!/bbs/msgs/LINUX            LINUX.TALK               2:280/464 2:280/5555\n",
      "/bbs/msgs/passthru          PASSTHRU.FILES           2:280/464\n",
      "!/bbs/msgs/retro            RETRO.COMPUTING          2:280/464 2:280/5555\r\n",
      "!/bbs/msgs/c_echo           C_PROGRAMMING            1:218/700\r\n",
      "!/bbs/msgs/harbour          HARBOUR.LOCAL            21:1/100 21:1/101\n",
      "!/bbs/msgs/hamradio         "
      "HAM.RADIO.SWAP.MEET.AND.GENERAL.DISCUSSION.FOR.LICENSED.OPERATORS "
      "2:280/5555\n",
      "   !D:\\MSGS\\SCIFI          SCIFI.FANDOM             46:1/1\r\n",
      "!/bbs/msgs/programming      PROGRAMMING.LANGUAGES    1:218/700\n",
      "\n",
      "; local test area, no links\n",
      "!/bbs/msgs/testarea         TEST\n",
  };
  std::string text;
  for (const char* line : lines) text += line;
  return text;
}

bool MakeDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

int Run(const std::string& out) {
  if (!MakeDirectory(out) || !MakeDirectory(out + "/host") || !MakeDirectory(out + "/host/data")) {
    std::fprintf(stderr, "make_example: cannot create the directories under %s\n", out.c_str());
    return 1;
  }
  const HostConfigRecord host = MakeHostConfig(ExampleHost());
  std::string bases;
  for (const BaseRecord& base : ExampleBases()) {
    bases.append(reinterpret_cast<const char*>(base.bytes), kBaseRecordSize);
  }
  const DefaultsRecord defaults = ExampleDefaults();
  const std::string areas = ExampleAreas();
  if (!WriteWholeFile(out + "/host/ostrel.dat", host.bytes, kHostConfigRecordSize) ||
      !WriteWholeFile(out + "/host/data/mbases.dat", bases.data(), bases.size()) ||
      !WriteWholeFile(out + "/korvanex.cfg", defaults.bytes, kDefaultsRecordSize) ||
      !WriteWholeFile(out + "/AREAS.BBS", areas.data(), areas.size())) {
    std::fprintf(stderr, "make_example: cannot write the files under %s\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace korvanex

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_example OUTPUT_DIR\n");
    return 2;
  }
  return korvanex::Run(argv[1]);
}
