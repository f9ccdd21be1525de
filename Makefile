# Velkari: the two commands that do all set-up on a fresh Debian 12 machine.
#   make run   installs what is missing, builds, starts the app
#   make test  installs what is missing, builds, runs every test (also under
#              the sanitizers)
PRESET ?= default
BUILD_DIR := build/$(PRESET)
PREFIX ?= /usr/local

.PHONY: all deps build run test check bench screenshots install uninstall fuzz-vcard fuzz-plist clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

run: build
	@$(BUILD_DIR)/app/velkari

# Every test, then every test again under the address and undefined-
# behaviour sanitizers.
test: build
	@ctest --preset $(PRESET)
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

# The tests of the normal build only, for a quick look.
check: build
	@ctest --preset $(PRESET)

# Benchmarks: the store, the reminders, the list and start-up, as tables.
bench: build
	@$(BUILD_DIR)/bench/velkari_bench_store
	@$(BUILD_DIR)/bench/velkari_bench_reminders
	@$(BUILD_DIR)/bench/velkari_bench_list
	@$(BUILD_DIR)/bench/velkari_bench_startup

# Installs the programs, the menu entry, the icon and the reminder service's
# autostart entry under PREFIX (make install PREFIX=$$HOME/.local for one user).
install: build
	@scripts/install.sh install $(BUILD_DIR) $(PREFIX)

uninstall:
	@scripts/install.sh uninstall $(BUILD_DIR) $(PREFIX)

# Renders the README's pictures of every screen into docs/screenshots.
screenshots: build
	@$(BUILD_DIR)/tools/velkari_screenshots docs/screenshots

# Fuzzes the vCard reader for FUZZ_SECONDS (clang, sanitizers). The corpus
# grows in build/fuzz/corpus, seeded from the test files; findings land in
# build/fuzz/findings, to be kept under tests/data/vcard/regressions.
FUZZ_SECONDS ?= 60
fuzz-plist:
	@scripts/install-deps.sh fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@mkdir -p build/fuzz/corpus/plist build/fuzz/findings
	@build/fuzz/fuzz/fuzz_plist -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-dict=fuzz/plist.dict -artifact_prefix=build/fuzz/findings/ \
		build/fuzz/corpus/plist tests/data/plist tests/data/store

fuzz-vcard:
	@scripts/install-deps.sh fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@mkdir -p build/fuzz/corpus/vcard build/fuzz/findings
	@build/fuzz/fuzz/fuzz_vcard -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-dict=fuzz/vcard.dict -artifact_prefix=build/fuzz/findings/ \
		build/fuzz/corpus/vcard tests/data/vcard

clean:
	@rm -rf build
