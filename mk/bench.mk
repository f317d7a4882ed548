# The import benchmark: the real binary against import_floor, the least input and output any
# import must do, taking turns on generated boards of 4000 to 16000 bases (half of the areas
# new), each run from a fresh copy of mbases.dat. Prints median wall and processor times and
# their ratio, the tool's peak memory, the file and descriptor system calls of each (counted
# under strace when it is installed), how the time grows when the work doubles, the peak
# memory of an import into 200000 bases, and the targets beside the figures. It only reports:
# missed targets do not fail it.
BENCH_RUNS ?= 5

.PHONY: bench
bench: build
	$(BUILD)/bench/import_bench $(BUILD)/korvanex $(BUILD)/bench/import_floor $(BENCH_RUNS)
