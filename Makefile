# Quick start: `make demo` starts the program with a simulated receiver, `make test` builds
# and runs every test, `make run` starts the program for a real receiver. Each installs the
# missing system packages first (scripts/install-deps).

BUILD_DIR ?= build
FUZZ_DIR ?= build-fuzz
ASAN_DIR ?= build-asan
FUZZ_SECONDS ?= 60
TSAN_DIR ?= build-tsan
# The tests in which the reader thread and the window thread meet.
TSAN_TESTS := tests/link/link_tests tests/link/serial_link_tests \
	tests/transfer/transfer_machine_tests tests/transfer/transfer_window_tests \
	tests/e2e/transfer_e2e_tests
JOBS ?= $(shell nproc)
# ccache speeds up rebuilds where it is installed; it is not required.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

PREFIX ?= /usr/local

.PHONY: all deps configure build run demo demo-check screenshots install package test asan tsan fuzz bench \
	format clean windows windows-test

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

# The link, transfer and end-to-end tests built with ThreadSanitizer in their own build tree.
tsan: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
		-DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
		-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread > /dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target $(notdir $(TSAN_TESTS)) rx7700-sim
	@for test in $(TSAN_TESTS); do \
		echo "== $$test"; \
		QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
		$(TSAN_DIR)/$$test --gtest_brief=1 || exit 1; \
	done

# The whole test suite under AddressSanitizer, UndefinedBehaviorSanitizer and the standard
# library's own checks. The environment holds for the build too: test discovery runs the
# test programs. Allocations that may fail (nothrow) return null as without the sanitizer: a
# test lowers the memory limit on purpose.
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
asan: export ASAN_OPTIONS = detect_leaks=1:allocator_may_return_null=1:strict_string_checks=1
asan: export UBSAN_OPTIONS = print_stacktrace=1:halt_on_error=1
asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
		-DRX_BUILD_BENCH=OFF $(LAUNCHER) \
		-DCMAKE_CXX_FLAGS="$(SANITIZE) -D_GLIBCXX_ASSERTIONS" \
		-DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE)" > /dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DRX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++-14 > /dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_DIR)/fuzz/bin $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks $(BUILD_DIR)/bench/bin

# The Windows programs and installer, cross-built with MinGW-w64 in $(WINDOWS_DIR) (not part of
# `make test`): Qt for Windows is built once into ~/.cache/rx7700 (about 45 minutes on two
# cores), then reused. The installer lands in $(WINDOWS_DIR)/package.
WINDOWS_DIR ?= build-windows
windows:
	@scripts/install-deps windows
	@scripts/build-windows $(WINDOWS_DIR)

# The Windows build under Wine: core test suites, rx7700ctl.exe against the simulator, the
# installer and the installed program's windows (pictures in $(WINDOWS_DIR)/screenshots).
windows-test: configure
	@scripts/install-deps windows tools
	@scripts/windows-test $(WINDOWS_DIR) $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(ASAN_DIR) $(TSAN_DIR) $(WINDOWS_DIR)
