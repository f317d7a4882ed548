// Root may open and write any file, so permission cases prove nothing when the tests run
// as root: these run their subject as an unprivileged user instead.
#ifndef KORVANEX_TESTS_UNPRIVILEGED_H_
#define KORVANEX_TESTS_UNPRIVILEGED_H_

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace korvanex_test {

constexpr uid_t kNobody = 65534;

// Turns a process of root into one of the unprivileged user, for good; another process
// stays as it is. Returns false when that fails.
inline bool BecomeUnprivileged() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

// Runs `body` in a child process as the unprivileged user and returns its result.
inline bool AsUnprivilegedUser(const std::function<bool()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(BecomeUnprivileged() && body() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace korvanex_test

#endif  // KORVANEX_TESTS_UNPRIVILEGED_H_
