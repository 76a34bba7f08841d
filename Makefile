# Quick start: `make demo` starts the program with a simulated receiver, `make test` builds
# and runs every test, `make run` starts the program for a real receiver. Each installs the
# missing system packages first (scripts/install-deps).

BUILD_DIR ?= build
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
# ccache speeds up rebuilds where it is installed; it is not required.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

PREFIX ?= /usr/local

.PHONY: all deps configure build run demo demo-check screenshots install package test fuzz bench \
	format clean

all: build

deps:
	@scripts/install-deps base

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(LAUNCHER) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/app/rx7700

demo: build
	@scripts/demo $(BUILD_DIR)

# The demo under Xvfb: an upload through the window, the saved file checked (not in `make test`).
demo-check: build
	@scripts/install-deps tools
	@scripts/demo-check $(BUILD_DIR)

screenshots: build
	@scripts/install-deps tools
	@scripts/screenshots $(BUILD_DIR)

# Installs under PREFIX (DESTDIR=/some/root works as usual for staging).
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package in $(BUILD_DIR)/package, checked with lintian.
package: build
	@scripts/install-deps package
	cd $(BUILD_DIR) && cpack -G DEB
	lintian --fail-on error $(BUILD_DIR)/package/*.deb

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
