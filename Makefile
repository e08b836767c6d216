# The project's commands. `make test` is what CI runs on a fresh machine.
BUILD_DIR ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# WERROR=ON makes every compiler warning an error (CI's .ci/run sets it),
# WERROR=OFF makes them warnings again; unset, the build folder keeps its choice.
WERROR ?=

.PHONY: all deps configure build test demo run screenshot package bench fuzz sanitize clean

all: build

deps:
	bash scripts/install-deps

configure:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) $(if $(WERROR),-DVEXEL_WARNINGS_AS_ERRORS=$(WERROR))

build: configure
	cmake --build $(BUILD_DIR)

test: deps
	$(MAKE) build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

demo: deps
	$(MAKE) build
	$(BUILD_DIR)/bin/vexel-search data/qxc-history.txt --settings data/demo.ini

run: deps
	$(MAKE) build
	$(BUILD_DIR)/bin/vexel

screenshot: deps
	$(MAKE) build
	bash scripts/screenshot

# The Debian package build/vexel_VERSION_ARCH.deb.
package: deps
	$(MAKE) build
	cd $(BUILD_DIR) && cpack

# The search engine against the brute force and the straightforward walk;
# `make bench BENCH_ARGS=--max` adds the brute force on the largest workload
# and its backtest (minutes).
bench: deps
	$(MAKE) build
	$(BUILD_DIR)/bin/vexel-bench $(BENCH_ARGS)

# Every libFuzzer harness for FUZZ_SECONDS each (FUZZ_JOBS at a time), built
# with clang into build-fuzz/; prints executions and findings.
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
fuzz:
	bash scripts/install-deps fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(FUZZ_JOBS) bash scripts/fuzz

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), the threaded suites under ThreadSanitizer (build-tsan/).
sanitize: deps
	bash scripts/sanitize

clean:
	rm -rf $(BUILD_DIR)
