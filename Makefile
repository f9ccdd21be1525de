# Velkari: the two commands that do all set-up on a fresh Debian 12 machine.
#   make run   installs what is missing, builds, starts the app
#   make test  installs what is missing, builds, runs every test
PRESET ?= default
BUILD_DIR := build/$(PRESET)

.PHONY: all deps build run test bench screenshots clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

run: build
	@$(BUILD_DIR)/app/velkari

test: build
	@ctest --preset $(PRESET)

# Benchmarks of the store; figures printed as a table.
bench: build
	@$(BUILD_DIR)/bench/velkari_bench_store
	@$(BUILD_DIR)/bench/velkari_bench_reminders
	@$(BUILD_DIR)/bench/velkari_bench_list

# Renders the README's pictures of every screen into docs/screenshots.
screenshots: build
	@$(BUILD_DIR)/tools/velkari_screenshots docs/screenshots

clean:
	@rm -rf build
