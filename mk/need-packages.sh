#!/usr/bin/env bash
# Makes sure that the Debian packages named on the command line are installed, so that a
# test run never passes over a part for want of a tool. Each package is looked for by what
# the build and the tests use of it, so a tool installed some other way counts as well.
# Missing packages are installed with apt-get when we run as root; otherwise one line names
# them, with the command that installs them, and the run stops.
# Usage: need-packages.sh PACKAGE...   (FUZZ_CXX: the fuzzers' compiler, clang++ by default)
set -euo pipefail
export PATH="$PATH:/usr/local/sbin:/usr/sbin:/sbin"
fuzz_cxx=${FUZZ_CXX:-clang++}

present() {
  case $1 in
    cmake | make | g++ | tmux | valgrind | file | lintian) command -v "$1" ;;
    clang) command -v "$fuzz_cxx" ;;
    # Whether clang can link a libFuzzer program, the runtime that this package adds.
    libclang-rt-14-dev)
      echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
        "$fuzz_cxx" -fsanitize=fuzzer,address,undefined -x c++ - -o /dev/null ;;
    # The installed library, or the sources that the build compiles instead.
    libgtest-dev) [ -e /usr/include/gtest/gtest.h ] || [ -e /usr/src/googletest/CMakeLists.txt ] ;;
    groff-base) command -v groff ;;
    man-db) command -v man ;;
    dpkg-dev) command -v dpkg-shlibdeps ;;
    *) unknown+=("$1") ;;
  esac >/dev/null 2>&1
}

# Sets absent to those of the given packages that are not there.
find_absent() {
  local package
  absent=() unknown=()
  for package in "$@"; do
    present "$package" || absent+=("$package")
  done
  if [ ${#unknown[@]} -gt 0 ]; then
    echo "need-packages: no check for package ${unknown[*]}" >&2
    exit 2
  fi
}

find_absent "$@"
[ ${#absent[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null; then
  echo "Missing packages: ${absent[*]}; install them with: sudo apt-get install ${absent[*]}" >&2
  exit 1
fi
echo "Installing the missing packages: ${absent[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get -qq update
apt-get -qq install -y --no-install-recommends "${absent[@]}"

find_absent "${absent[@]}"
if [ ${#absent[@]} -gt 0 ]; then
  echo "Still missing after apt-get install: ${absent[*]}" >&2
  exit 1
fi
