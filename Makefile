# Tagwright: the two commands a newcomer needs are `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run bench install package check-sanitizers check-asan check-tsan fuzz clean

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	./scripts/run-demo $(BUILD)

bench: build
	./scripts/run-benchmarks $(BUILD)

# Installs under CMAKE_INSTALL_PREFIX (CMAKE_FLAGS=-DCMAKE_INSTALL_PREFIX=...,
# /usr/local by default; DESTDIR=... stages the tree elsewhere). The udev rule
# goes where udev reads it, which needs root.
install: build
	cmake --install $(BUILD)

# The Debian package, in $(BUILD)/packages/.
package: build
	cd $(BUILD) && cpack -G DEB -B packages
	@ls $(BUILD)/packages/*.deb

# The test suite under AddressSanitizer with UndefinedBehaviorSanitizer, then
# under ThreadSanitizer, each in its own build tree.
check-sanitizers: check-asan check-tsan

check-asan: deps
	cmake -S . -B $(BUILD)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAGWRIGHT_SANITIZE=address -DTAGWRIGHT_BENCH=OFF
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

check-tsan: deps
	cmake -S . -B $(BUILD)-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAGWRIGHT_SANITIZE=thread -DTAGWRIGHT_BENCH=OFF
	cmake --build $(BUILD)-tsan -j $(JOBS)
	cd $(BUILD)-tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1" ctest --output-on-failure -j $(JOBS)

# The fuzz targets in their own tree (clang, libFuzzer, ASan and UBSan):
# replays the committed corpus, then fuzzes each target for FUZZ_SECONDS.
FUZZ_SECONDS ?= 20
FUZZ_FLAGS = -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

fuzz: deps
	cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	  "-DCMAKE_CXX_FLAGS=$(FUZZ_FLAGS)" -DTAGWRIGHT_FUZZ=ON -DTAGWRIGHT_GUI=OFF -DTAGWRIGHT_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz_targets
	./fuzz/run $(BUILD)-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz
