# libFuzzer targets (fuzz/): `make fuzz` runs each for FUZZ_SECONDS; `make test` ends with a
# short smoke run of each. Both need clang with its fuzzer runtime (libclang-rt-14-dev),
# which `make test` installs.
FUZZ_BUILD ?= build-fuzz
FUZZ_CXX ?= clang++
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 30
FUZZ_TARGETS := line_reader_fuzzer text_to_int_fuzzer net_address_fuzzer pipe_write_fuzzer \
	import_run_fuzzer

.PHONY: fuzz fuzz-build fuzz-smoke

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKORVANEX_FUZZ=ON -DKORVANEX_TESTS=OFF -DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: fuzz-build
	fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-smoke: fuzz-build
	fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS) $(FUZZ_TARGETS)
