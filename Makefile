# The two commands: `make run` and `make test`. Both install what is missing,
# configure and build; then start the program or run every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/bin/lumicraft

test: build
	@ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

bench: build
	@if [ -x bench/run ]; then bench/run $(BUILD); else echo "no benchmarks yet"; fi

clean:
	rm -rf $(BUILD)
