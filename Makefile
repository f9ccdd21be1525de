# SPDX-License-Identifier: GPL-3.0-or-later
# Velkari: the two commands that do all set-up on a fresh Debian 12 machine.
#   make run   installs what is missing, builds, starts the app
#   make test  installs what is missing, builds, runs every test (also under
#              the sanitizers)
PRESET ?= default
BUILD_DIR := build/$(PRESET)
PREFIX ?= /usr/local

.PHONY: all deps build run test check bench screenshots install uninstall deb translations \
	format-check fuzz-vcard fuzz-plist clean test-debian13 test-arm64 deb-clean

all: build

deps:
	@scripts/install-deps.sh

# CMAKE_FLAGS goes to every configure step (the CI turns warnings into errors).
CMAKE_FLAGS ?=

build: deps
	@cmake --preset $(PRESET) $(CMAKE_FLAGS) >/dev/null
	@cmake --build --preset $(PRESET)

run: build
	@$(BUILD_DIR)/app/velkari

# Every test, then every test again under the address and undefined-
# behaviour sanitizers.
test: build
	@ctest --preset $(PRESET)
	@cmake --preset asan $(CMAKE_FLAGS) >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

# make test on a fresh clone of HEAD in a Debian 13 root made (once) under
# build/roots; the arm64 build of HEAD with its tests under qemu there; the
# Debian package built in clean Debian 12 and 13 roots from its own
# Build-Depends, amd64 and cross arm64, checked by lintian.
# DEBIAN13_MAKE=check runs the suite there once, without the sanitizers' run.
DEBIAN13_MAKE ?= test
test-debian13:
	@scripts/install-deps.sh roots
	@CMAKE_FLAGS="$(CMAKE_FLAGS)" TARGET="$(DEBIAN13_MAKE)" scripts/test-debian13.sh

test-arm64:
	@scripts/install-deps.sh roots
	@scripts/test-arm64.sh

deb-clean:
	@scripts/install-deps.sh roots
	@scripts/deb-clean.sh

# The tests of the normal build only, for a quick look.
check: build
	@ctest --preset $(PRESET)

# Benchmarks: the store, the reminders, the list, start-up and the contacts
# picker, as tables.
bench: build
	@$(BUILD_DIR)/bench/velkari_bench_store
	@$(BUILD_DIR)/bench/velkari_bench_reminders
	@$(BUILD_DIR)/bench/velkari_bench_list
	@$(BUILD_DIR)/bench/velkari_bench_startup
	@$(BUILD_DIR)/bench/velkari_bench_contacts

# Installs the programs, the menu entry, the icon and the reminder service's
# autostart entry under PREFIX (make install PREFIX=$$HOME/.local for one user).
install: build
	@scripts/install.sh install $(BUILD_DIR) $(PREFIX)

uninstall:
	@scripts/install.sh uninstall $(BUILD_DIR) $(PREFIX)

# The Debian package, built from the working tree in build/deb, checked by
# lintian; lists what it installs.
deb:
	@scripts/install-deps.sh deb
	@scripts/make-deb.sh

# Gathers the texts of the code into translations/velkari.ts and every
# translations/velkari_<language>.ts, for translators.
translations: build
	@cmake --build --preset $(PRESET) --target velkari_lupdate

# The sources as clang-format would write them (.clang-format), or fails.
format-check:
	@scripts/install-deps.sh format
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

# Renders the README's pictures of every screen into docs/screenshots.
screenshots: build
	@$(BUILD_DIR)/tools/velkari_screenshots docs/screenshots
	@QT_SCALE_FACTOR=2 $(BUILD_DIR)/tools/velkari_screenshots docs/screenshots --phone

# Fuzzes the data-file reader (fuzz-plist) or the vCard reader (fuzz-vcard)
# for FUZZ_SECONDS (clang, sanitizers). The corpus grows in build/fuzz/corpus,
# seeded from the test files; findings land in build/fuzz/findings, to be kept
# under tests/data/plist/corpus or tests/data/vcard/regressions, which every
# make test replays.
FUZZ_SECONDS ?= 60
# The seeds of each fuzz target besides what it found before.
FUZZ_SEEDS_plist := tests/data/plist tests/data/store
FUZZ_SEEDS_vcard := tests/data/vcard

fuzz-plist fuzz-vcard: fuzz-%:
	@scripts/install-deps.sh fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@mkdir -p build/fuzz/corpus/$* build/fuzz/findings
	@build/fuzz/fuzz/fuzz_$* -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-dict=fuzz/$*.dict -artifact_prefix=build/fuzz/findings/ \
		build/fuzz/corpus/$* $(FUZZ_SEEDS_$*)

clean:
	@rm -rf build
