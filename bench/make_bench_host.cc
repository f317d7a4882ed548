// Writes one benchmark host under an existing directory, for a look at the files or a run
// by hand:
//   make_bench_host DIR EXISTING AREAS NEW
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_host.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_bench_host DIR EXISTING AREAS NEW\n");
    return 2;
  }
  korvanex::BenchCase bench_case;
  bench_case.existing = std::atoi(argv[2]);
  bench_case.areas = std::atoi(argv[3]);
  bench_case.new_areas = std::atoi(argv[4]);
  std::string error;
  if (!korvanex::MakeBenchHost(argv[1], bench_case, &error)) {
    std::fprintf(stderr, "make_bench_host: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
