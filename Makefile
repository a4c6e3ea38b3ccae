# Vexlor: `make run` exports the bundled example, `make test` runs every test.
# Both install the Debian packages they need when they are missing (as root, non-interactive).

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 20
EXAMPLE    ?= examples/room.json

PACKAGES = cmake make g++ clang pkg-config libtinyxml-dev nlohmann-json3-dev libgtest-dev libgmock-dev \
           libbenchmark-dev libcli11-dev libtiff-dev libpng-dev libassimp-dev

.PHONY: all deps build run test test-normal test-asan test-fuzz test-windows bench clean windows windows-deps wine-deps

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get update -qq && apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/vexlor export $(EXAMPLE) -o out/room.ovs --frames 0:2 --renderer /opt/orvane --overwrite

test: test-normal test-asan test-fuzz test-windows

test-normal: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVEXLOR_SANITIZE=ON -DVEXLOR_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(JOBS) --output-on-failure

test-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLOR_FUZZ=ON \
	  -DVEXLOR_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	cd $(FUZZ_BUILD) && ctest --output-on-failure -R _fuzz

# The Windows build: the module as a 32-bit DLL and the command as vexlor.exe, cross-compiled
# with mingw-w64.  Libraries that Debian ships for Linux only are built from Debian's own source
# packages (cmake/windows-deps.sh); the tests run under Wine.
WINDOWS_PACKAGES = g++-mingw-w64-i686-posix mingw-w64-i686-dev libz-mingw-w64-dev dpkg-dev libgtest-dev \
                   nlohmann-json3-dev libcli11-dev cmake make
WINE_PACKAGES = wine wine32 wine64
export WINEDEBUG ?= -all
# No .NET or HTML engine: a new Wine prefix would offer to download them.
export WINEDLLOVERRIDES ?= mscoree,mshtml=
export WINEPREFIX ?= $(CURDIR)/$(WINDOWS_BUILD)/wine

windows-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"
	JOBS=$(JOBS) cmake/windows-deps.sh $(WINDOWS_BUILD)

windows: windows-deps
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DVEXLOR_TINYXML_SOURCE=$(CURDIR)/$(WINDOWS_BUILD)/src/tinyxml -DVEXLOR_WINDOWS_DEPS=$(CURDIR)/$(WINDOWS_BUILD)/deps \
	  -DVEXLOR_LINUX_BUILD=$(CURDIR)/$(BUILD) -DVEXLOR_BENCH=OFF
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

wine-deps:
	@if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386 && apt-get update -qq; fi
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINE_PACKAGES)"

# Under Wine: the test suite, the run script run by Wine's command processor, and the examples
# exported by both builds (the Linux one too) compared byte for byte.
test-windows: build windows wine-deps
	cd $(WINDOWS_BUILD) && ctest --output-on-failure

bench: build
	./$(BUILD)/vexlor_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)
