# Thin wrapper over CMake so that the everyday commands stay short.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
# CI builds with warnings as errors.
ifeq ($(CI),true)
WERROR ?= ON
else
WERROR ?= OFF
endif
CMAKE_FLAGS ?=

.PHONY: all build build-asan test unit-test asan-test demo clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANEX_TESTS=ON -DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

build-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVANEX_SANITIZE=ON -DKORVANEX_TESTS=ON -DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Every test, in the normal build and in the AddressSanitizer + UndefinedBehaviorSanitizer build.
test: unit-test asan-test

unit-test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan-test: build-asan
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-*

# Further targets (demo, bench, fuzz, package) live beside the parts they build.
-include mk/*.mk
