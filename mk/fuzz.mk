# libFuzzer targets (fuzz/): `make fuzz` runs each for FUZZ_SECONDS; `make test` ends with a
# short smoke run of each. Both need clang with its fuzzer runtime; without one the smoke
# run is skipped with a message instead of failing.
FUZZ_BUILD ?= build-fuzz
FUZZ_CXX ?= clang++
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 30
FUZZ_TARGETS := line_reader_fuzzer text_to_int_fuzzer net_address_fuzzer pipe_write_fuzzer \
	import_run_fuzzer

.PHONY: fuzz fuzz-build fuzz-smoke

test: fuzz-smoke

# Whether clang can link a libFuzzer program here.
FUZZ_CHECK = printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
	| $(FUZZ_CXX) -fsanitize=fuzzer,address,undefined -x c++ - -o /dev/null >/dev/null 2>&1

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKORVANEX_FUZZ=ON -DKORVANEX_TESTS=OFF -DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: fuzz-build
	fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-smoke:
	@if $(FUZZ_CHECK); then \
		$(MAKE) --no-print-directory fuzz-build && \
		fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS) $(FUZZ_TARGETS); \
	else \
		echo "fuzz-smoke: SKIPPED: $(FUZZ_CXX) cannot link with -fsanitize=fuzzer" \
			"(install clang and libclang-rt-14-dev)"; \
	fi
