#include "app/process_setup.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "app/mbases_file.h"
#include "app/runtime_error.h"
#include "console/terminal.h"
#include "formats/outcome.h"

namespace korvanex {

namespace {

// Memory kept back from the start, given up when memory runs out, so that the report of
// the failure can still be written. (Freed at the normal end too, so that no checker of
// leaks finds it.)
constexpr size_t kEmergencyReserveSize = size_t{64} * 1024;
std::unique_ptr<char[]> emergency_reserve;

void OnOutOfMemory() {
  // Should even the report find no memory, the run ends with the status alone.
  static bool reporting = false;
  if (reporting) std::_Exit(kErrorOutOfMemory.number());
  reporting = true;
  emergency_reserve.reset();
  // The way out skips every destructor: the terminal and mbases.dat are seen to first.
  RestoreTerminalForExit();
  MbasesFile::SyncBeforeExit();
  std::_Exit(ReportRuntimeError(kErrorOutOfMemory));
}

bool OpenStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free descriptor is the closed one. Without /dev/null, the root directory
    // fills the place: it can be neither read nor written as a file.
    int opened = open("/dev/null", O_RDWR | O_NOCTTY);
    if (opened < 0) opened = open("/", O_RDONLY | O_DIRECTORY);
    if (opened != fd) return false;
  }
  return true;
}

}  // namespace

bool PrepareProcess() {
  if (!OpenStandardDescriptors()) return false;
  // A console that goes away must not end an import half-way, and a file that reaches the
  // size limit is a failed write like any other: both are reported, not fatal.
  (void)signal(SIGPIPE, SIG_IGN);
  (void)signal(SIGXFSZ, SIG_IGN);
  emergency_reserve.reset(new (std::nothrow) char[kEmergencyReserveSize]);
  std::set_new_handler(OnOutOfMemory);
  return true;
}

}  // namespace korvanex
