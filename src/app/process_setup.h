// What the process needs before the tool opens any file, whatever surroundings it was
// started in.
#ifndef KORVANEX_APP_PROCESS_SETUP_H_
#define KORVANEX_APP_PROCESS_SETUP_H_

namespace korvanex {

// Opens standard input, output and error on /dev/null where they are closed, so that no
// file the tool opens can take their place and receive console output; lets writes fail
// instead of ending the process on a closed pipe or the file-size limit; and turns running
// out of memory into runtime error 217. Returns false when the standard descriptors cannot
// be made safe, in which case the run must end before it opens anything.
bool PrepareProcess();

}  // namespace korvanex

#endif  // KORVANEX_APP_PROCESS_SETUP_H_
