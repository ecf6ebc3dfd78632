# The two commands a newcomer needs:
#   make run    installs what is missing, builds, starts the program
#   make test   installs what is missing, builds, runs every test
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
FUZZ_DIR ?= build-fuzz
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Seconds each fuzz target runs in `make fuzz` and in CI's smoke run.
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 30

.PHONY: all deps build build-asan build-tsan build-fuzz run screenshots test test-tsan \
	fuzz fuzz-smoke package clean

all: build

deps:
	@scripts/install-deps

# Configuring every time is cheap and picks up subsystem folders that
# arrived since the last build.
build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD_DIR) -j$(JOBS)

# The libraries and their tests again, with AddressSanitizer and
# UndefinedBehaviorSanitizer; the Qt program is left out.
build-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DCLIPWRIGHT_SANITIZE=ON \
		-DCLIPWRIGHT_BUILD_GUI=OFF >/dev/null
	cmake --build $(ASAN_DIR) -j$(JOBS)

# The libraries, the Qt Core download workers and their tests again, with
# ThreadSanitizer.
build-tsan: deps
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPWRIGHT_TSAN=ON \
		-DCLIPWRIGHT_BUILD_GUI=OFF >/dev/null
	cmake --build $(TSAN_DIR) -j$(JOBS)

# The fuzz targets (fuzz/), with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer.
build-fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DCLIPWRIGHT_FUZZ=ON -DCLIPWRIGHT_BUILD_TESTS=OFF \
		-DCLIPWRIGHT_BUILD_GUI=OFF >/dev/null
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target fuzzers

# The Debian package of the build, $(BUILD_DIR)/clipwright_<version>_<arch>.deb
# (CPack; its dependencies come from the libraries it links).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

run: build
	@scripts/run-program $(BUILD_DIR)

# Every window of the program drawn under Xvfb into $(BUILD_DIR)/screenshots.
screenshots: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS) --target clipwright-screenshots
	@scripts/screenshots $(BUILD_DIR)

test: build build-asan
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j$(JOBS)
	$(MAKE) test-tsan

# A race report fails its test. The system libraries are not instrumented:
# what ignore_noninstrumented_modules changes is said in scripts/tsan.supp.
test-tsan: build-tsan
	cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 \
		ignore_noninstrumented_modules=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
		ctest --output-on-failure -j$(JOBS)

# Each fuzz target for FUZZ_SECONDS (fuzz-smoke: FUZZ_SMOKE_SECONDS), from
# the seeds in fuzz/corpus; findings land in $(FUZZ_DIR)/findings.
fuzz: build-fuzz
	scripts/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS)

fuzz-smoke: build-fuzz
	scripts/run-fuzzers $(FUZZ_DIR) $(FUZZ_SMOKE_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) $(FUZZ_DIR)
