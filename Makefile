# The two commands a newcomer needs:
#   make run    installs what is missing, builds, starts the program
#   make test   installs what is missing, builds, runs every test
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build build-asan run screenshots test test-asan clean

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

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
