# Quick start: `make run` opens the window, `make test` builds and runs every test.
# CI (CI=true) builds with warnings as errors.
PRESET ?= $(if $(CI),ci,debug)
BUILD_DIR := build/$(PRESET)

.PHONY: all bootstrap build run test test-asan fuzz tidy clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh build test

build: bootstrap
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	$(BUILD_DIR)/app/kestrin

test: build
	ctest --preset $(PRESET)

# Every test again, built by clang under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	@bash scripts/bootstrap.sh build test clang
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# Each libFuzzer target for FUZZ_SECONDS (60) seconds.
fuzz:
	@bash scripts/bootstrap.sh build clang
	cmake --preset fuzz
	cmake --build --preset fuzz
	bash scripts/fuzz.sh

# clang-tidy over the project's own sources, with the compile commands of the $(PRESET) build
# (and of the fuzz build, when there is one).
tidy: build
	@bash scripts/bootstrap.sh tidy
	bash scripts/tidy.sh $(BUILD_DIR) $(patsubst %/compile_commands.json,%,$(wildcard build/fuzz/compile_commands.json))

clean:
	rm -rf build
