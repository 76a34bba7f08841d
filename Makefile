# Quick start: `make run` starts the program, `make test` builds and runs every test.
# Both install the missing system packages first (scripts/install-deps).

BUILD_DIR ?= build
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
# ccache speeds up rebuilds where it is installed; it is not required.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build run test fuzz bench format clean

all: build

deps:
	@scripts/install-deps base

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(LAUNCHER) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/app/rx7700

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DRX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++-14 > /dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_DIR)/fuzz/bin $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks $(BUILD_DIR)/bench/bin

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
