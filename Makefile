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

# The Debian packages that make check and make test need besides CMake, make and a C++20
# compiler; mk/need-packages.sh installs the missing ones or names them.
CHECK_PACKAGES = libgtest-dev tmux groff-base man-db
TEST_PACKAGES = $(CHECK_PACKAGES) valgrind dpkg-dev file lintian clang libclang-rt-14-dev

.PHONY: all build build-asan check test asan-test demo clean

all: build

# The tool, its tests and the example's tools.
build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANEX_TESTS=ON \
		-DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

build-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVANEX_SANITIZE=ON -DKORVANEX_TESTS=ON \
		-DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The everyday run: the normal build and all its unit and end-to-end tests, with the checks
# of the example files and of the manual page.
check:
	@bash mk/need-packages.sh $(CHECK_PACKAGES)
	$(MAKE) --no-print-directory build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The complete run, the one CI does. Its steps, one after the other:
test:
	@FUZZ_CXX=$(FUZZ_CXX) bash mk/need-packages.sh $(TEST_PACKAGES)  # install what is missing
	$(MAKE) --no-print-directory check          # normal build: unit and end-to-end tests
	$(MAKE) --no-print-directory valgrind-test  # end-to-end tests under valgrind (mk/valgrind.mk)
	$(MAKE) --no-print-directory package-check  # the .deb, lintian, install and removal (mk/package.mk)
	$(MAKE) --no-print-directory asan-test      # ASan + UBSan build: all its tests
	$(MAKE) --no-print-directory fuzz-smoke     # a short run of each fuzzer (mk/fuzz.mk)
	@echo "make test: every step passed"

asan-test: build-asan
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-*

# The recipes of demo, bench, fuzz, package and valgrind live beside the parts they build.
-include mk/*.mk
