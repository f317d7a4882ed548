#include <signal.h>

#include "app/korvanex_main.h"

int main(int argc, char** argv) {
  // A console that goes away must not end an import half-way: writes to it fail quietly.
  signal(SIGPIPE, SIG_IGN);
  return korvanex::RunKorvanex(argc, argv);
}
