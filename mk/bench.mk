# The import benchmark: median wall time and peak memory of the real binary on generated
# hosts of 5000, 10000 and 20000 bases, each run from a fresh copy of mbases.dat.
BENCH_RUNS ?= 5

.PHONY: bench
bench: build
	$(BUILD)/bench/import_bench $(BUILD)/korvanex $(BENCH_RUNS)
