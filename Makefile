# Two set-up commands for a fresh Debian machine:
#   make run    builds the Linux target and starts the menu in this terminal
#   make test   builds both targets and runs every test
# Each installs the Debian packages it lacks when run as root.
# make package builds the Debian package of the library (build/packages/*.deb)
# and the zip of the Windows build (build/packages/*.zip).

JOBS ?= $(shell nproc)
CMAKE_BUILD = cmake --build $(1) -j $(JOBS)

.PHONY: run menu test linux windows asan package bench format clean

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
build/linux-asan/CMakeCache.txt:
	cmake -S . -B build/linux-asan -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=Debug -DCONRT_SANITIZE=ON

linux: build/linux/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux)
windows: build/windows/CMakeCache.txt
	$(call CMAKE_BUILD,build/windows)
asan: build/linux-asan/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux-asan)

package: build/linux/CMakeCache.txt build/windows/CMakeCache.txt
	$(call CMAKE_BUILD,build/linux) --target conrt
	$(call CMAKE_BUILD,build/windows) --target conrt menu
	cd build/linux && cpack -G DEB -B $(CURDIR)/build/packages
	cd build/windows && cpack -G ZIP -B $(CURDIR)/build/packages

test:
	@tools/deps.sh test
	@$(MAKE) --no-print-directory linux windows asan
	tools/run-tests.sh

bench: linux
	tools/run-bench.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf build
