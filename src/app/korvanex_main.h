// The run as a whole: defaults, command line, banner, opens, the line loop and the
// summary, in that order.
#ifndef KORVANEX_APP_KORVANEX_MAIN_H_
#define KORVANEX_APP_KORVANEX_MAIN_H_

namespace korvanex {

// Runs the tool with the program's arguments and returns its exit status.
int RunKorvanex(int argc, const char* const* argv);

}  // namespace korvanex

#endif  // KORVANEX_APP_KORVANEX_MAIN_H_
