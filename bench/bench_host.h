// Generates a benchmark host: an ostrel.dat, an mbases.dat of `existing` bases and an
// AREAS.BBS of `areas` area lines, `new_areas` of them for bases the host lacks, plus the
// built-in korvanex.cfg. The import runs from `dir` as: korvanex host AREAS.BBS
#ifndef KORVANEX_BENCH_BENCH_HOST_H_
#define KORVANEX_BENCH_BENCH_HOST_H_

#include <string>

namespace korvanex {

struct BenchCase {
  int existing = 0;   // bases in mbases.dat, indexes 1..existing in shuffled order
  int areas = 0;      // "!" lines that reach base creation
  int new_areas = 0;  // of those, lines for bases that are not there yet
};

// Whether the tool can number every new base: it numbers from the record count + 1
// upward and refuses indexes above 32767. A case without new areas always fits, however
// many bases it holds.
bool FitsIndexRange(const BenchCase& bench_case);

// Writes the files under `dir`, which must exist. Returns false and fills `*error` when a
// file cannot be written or the case does not fit.
bool MakeBenchHost(const std::string& dir, const BenchCase& bench_case, std::string* error);

}  // namespace korvanex

#endif  // KORVANEX_BENCH_BENCH_HOST_H_
