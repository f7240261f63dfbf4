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

.PHONY: deps configure build run test bench snapshots format format-check clean

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

# Interface pictures under a private X server and D-Bus session, in each
# appearance, written to build/snapshots (SNAPSHOTS= limits them to some areas).
SNAPSHOT_DIR := build/snapshots
SNAPSHOT_APPEARANCES ?= light dark
# The large screen, then the small ones every window must fit (their scenarios only).
SNAPSHOT_SCREENS := 1600x1000 1366x768 1024x600
snapshots: build
	@mkdir -p $(SNAPSHOT_DIR)
	@for a in $(SNAPSHOT_APPEARANCES); do for s in $(SNAPSHOT_SCREENS); do \
	  screen=; [ "$$s" = 1600x1000 ] || screen="--screen $$s"; \
	  env -u WAYLAND_DISPLAY LANG=en_US.UTF-8 QT_QPA_PLATFORM=xcb \
	    OSTREVIN_APPEARANCE=$$a OSTREVIN_GEOCODER_URL=http://127.0.0.1:9 \
	    dbus-run-session -- xvfb-run -a -s "-screen 0 $${s}x24" \
	    $(BUILD_DIR)/snapshots/ui_snapshots --out $(SNAPSHOT_DIR) $$screen $(SNAPSHOTS) || exit 1; \
	done; done

bench:
	@$(MAKE) build PRESET=release
	@for b in build/release/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true

format: configure
	@cmake --build $(BUILD_DIR) --target format

format-check: configure
	@cmake --build $(BUILD_DIR) --target format-check

clean:
	rm -rf build
