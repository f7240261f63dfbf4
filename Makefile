# The two commands: `make run` and `make test`. Everything else is CMake.
# CI=true selects the sanitizer build. JOBS limits build and test parallelism.

ifeq ($(CI),true)
PRESET ?= ci
else
PRESET ?= dev
endif
JOBS ?= $(shell nproc)
BUILD_DIR := build/$(PRESET)

export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

.PHONY: deps configure build run test bench format clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null
	@scripts/refresh-autogen $(BUILD_DIR)

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/ostrevin

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

bench:
	@$(MAKE) build PRESET=release
	@for b in build/release/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true

format: configure
	@cmake --build $(BUILD_DIR) --target format

clean:
	rm -rf build
