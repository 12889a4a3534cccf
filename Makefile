# The one entry point: make run, make test, make format, make check-format, make bench, make fuzz.
BUILD       ?= build
BUILD_TYPE  ?= Debug
JOBS        ?= $(shell nproc)
CMAKE_ARGS  ?=
FUZZ_SECONDS ?= 20

SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz tools -name '*.cpp' -o -name '*.h')

.PHONY: deps configure build run test format check-format bench fuzz clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/vlmr

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) $(CTEST_ARGS)

format:
	@clang-format -i $(SOURCES)

check-format:
	@clang-format --dry-run --Werror $(SOURCES) && echo "format: clean"

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVLMR_BENCH=ON -DVLMR_TESTS=OFF -DVLMR_GUI=ON > /dev/null
	@cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/*_bench; do [ -x "$$b" ] && "$$b" $(BENCH_ARGS) || true; done

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLMR_FUZZ=ON -DVLMR_TESTS=OFF -DVLMR_GUI=OFF > /dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@bash scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-bench build-fuzz
