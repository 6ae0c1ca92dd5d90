# Two commands for a fresh Debian 12 machine (as root):
#   make run    builds the Windows program and starts it (under Wine on Linux)
#   make test   builds everything and runs every test
# Each installs what it lacks with apt first.

JOBS ?= 2
CMAKE_BUILD = cmake --build --preset

FUZZ_SECONDS ?= 60

.PHONY: bench-i686 fuzz all deps native native-sanitize mingw64 mingw32 test test-native test-sanitize test-ui run bench stress clean

all: native mingw64 mingw32

deps:
	@scripts/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	$(CMAKE_BUILD) native -j $(JOBS)

native-sanitize: deps
	cmake --preset native-sanitize >/dev/null
	$(CMAKE_BUILD) native-sanitize -j $(JOBS)

mingw64: deps
	cmake --preset mingw64 >/dev/null
	$(CMAKE_BUILD) mingw64 -j $(JOBS)

mingw32: deps
	cmake --preset mingw32 >/dev/null
	$(CMAKE_BUILD) mingw32 -j $(JOBS)

test-native: native
	ctest --preset native -j $(JOBS)

test-sanitize: native-sanitize
	ctest --preset native-sanitize -j $(JOBS)

# The UI tests of both builds, x86_64 and the 32-bit release, each with its summary.
test-ui: mingw64 mingw32
	scripts/run-ui-tests.sh

test: deps
	$(MAKE) --no-print-directory test-native
	$(MAKE) --no-print-directory test-sanitize
	$(MAKE) --no-print-directory test-ui

# make run starts the x86_64 build; make run ARCH=i686 the 32-bit release.
ARCH ?= x86_64
run: $(if $(filter i686 mingw32 32,$(ARCH)),mingw32,mingw64)
	scripts/run-program.sh $(ARCH)

# Figures of the command-line driver on a 1,000,000-row table made once under build/bench.
BENCH_RUNS ?= 5
bench: native
	python3 bench/run_bench.py --bin build/native --data build/bench --runs $(BENCH_RUNS)

# The 32-bit driver with and without SSE2, paired runs under Wine (not part of test);
# BENCH_I686=sse2 times only the adopted SSE2 build.
BENCH_PAIRS ?= 5
BENCH_I686 ?=
bench-i686: native
	scripts/bench-i686.sh $(BENCH_PAIRS) $(BENCH_I686)

# A 1,000,000-row table loaded, sorted, searched and emptied through the real
# window under Wine, with the time and memory of each step (not part of test).
# STRESS_ARCH=i686 runs the 32-bit release.
STRESS_ROWS ?= 1000000
STRESS_ARCH ?= x86_64
STRESS_PRESET = $(if $(filter i686 mingw32 32,$(STRESS_ARCH)),mingw32,mingw64)
stress: $(STRESS_PRESET)
	$(CMAKE_BUILD) $(STRESS_PRESET) --target varnel-bench -j $(JOBS)
	cmake --preset native >/dev/null
	$(CMAKE_BUILD) native --target varnel-gen-table -j $(JOBS)
	scripts/run-stress.sh $(STRESS_ARCH) $(STRESS_ROWS)

clean:
	rm -rf build

# The README's pictures under docs/, remade from the real program under Wine
# by the screenshot driver (not part of test).
.PHONY: screenshots
screenshots: mingw64
	$(CMAKE_BUILD) mingw64 --target varnel_screenshots -j $(JOBS)
	scripts/make-screenshots.sh

# libFuzzer needs clang and its runtime; make test does not (it replays the
# committed corpus with g++).
fuzz: deps
	@command -v clang++ >/dev/null && dpkg-query -W -f='$${Status}' libclang-rt-14-dev 2>/dev/null | grep -q 'ok installed' \
		|| (apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q clang libclang-rt-14-dev)
	scripts/fuzz.sh $(FUZZ_SECONDS)
