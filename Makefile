# Two set-up commands for a fresh Debian machine:
#   make run    builds the Linux target and starts the menu in this terminal
#   make test   builds both targets and runs every test
# Each installs the Debian packages it lacks when run as root.
# make package builds the Debian package of the library (build/packages/*.deb)
# and the zip of the Windows build with conrt.lib for Microsoft's linker
# (build/packages/*.zip).

JOBS ?= $(shell nproc)
CMAKE_BUILD = cmake --build $(1) -j $(JOBS)

.PHONY: run menu test linux windows asan package fuzz fuzz-build bench format clean

run:
	@tools/deps.sh run
	@$(MAKE) --no-print-directory menu
	@tools/i386-run build/linux build/linux/bin/menu

# The program alone, without the tests and benchmarks.
menu: build/linux/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux) --target menu

build/linux/CMakeCache.txt:
	cmake -S . -B build/linux -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
build/windows/CMakeCache.txt:
	cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
build/fuzz/CMakeCache.txt:
	cmake -S . -B build/fuzz -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386-clang.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONRT_FUZZ=ON
build/linux-asan/CMakeCache.txt:
	cmake -S . -B build/linux-asan -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=Debug -DCONRT_SANITIZE=ON

linux: build/linux/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux)
windows: build/windows/CMakeCache.txt
	$(call CMAKE_BUILD,build/windows)
asan: build/linux-asan/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux-asan)
fuzz-build: build/fuzz/CMakeCache.txt
	$(call CMAKE_BUILD,build/fuzz)

# Every fuzz target for FUZZ_SECONDS, one after another on one core, then
# RENDER_SEQUENCES random sequences of the differential renderer check (a
# new seed each run; a failure names the seed of its sequence).
FUZZ_SECONDS ?= 600
RENDER_SEQUENCES ?= 10000
fuzz:
	@tools/deps.sh fuzz
	@$(MAKE) --no-print-directory fuzz-build build/linux/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux) --target render_diff_probe
	tools/run-fuzz.sh $(FUZZ_SECONDS) build/fuzz/fuzz-work build/fuzz/bin/*_fuzz
	python3 platform/posix/tests/render_diff/render_diff_test.py build/linux/bin/render_diff_probe \
		--sequences $(RENDER_SEQUENCES) --seed $$(date +%s)

package:
	@tools/deps.sh package
	@$(MAKE) --no-print-directory build/linux/CMakeCache.txt build/windows/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux) --target conrt
	$(call CMAKE_BUILD,build/windows) --target conrt menu conrt_msvc
	cd build/linux && cpack -G DEB -B $(CURDIR)/build/packages
	cd build/windows && cpack -G ZIP -B $(CURDIR)/build/packages

test:
	@tools/deps.sh test
	@$(MAKE) --no-print-directory linux windows asan fuzz-build
	tools/run-tests.sh

# The Linux tree, and of the Windows tree only what the Wine column runs.
bench:
	@tools/deps.sh bench
	@$(MAKE) --no-print-directory linux build/windows/CMakeCache.txt
	@# A tree configured before a benchmark was added learns of it here.
	@cmake -S . -B build/windows > /dev/null
	$(call CMAKE_BUILD,build/windows) --target menu inprocess_bench
	tools/run-bench.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf build
