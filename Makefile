# Quick start: `make run` opens the window, `make test` builds and runs every test.
# CI (CI=true) builds with warnings as errors. `make bench` builds a release build of its own and
# prints the benchmark figures; it is never part of `make test`.
PRESET ?= $(if $(CI),ci,debug)
BUILD_DIR := build/$(PRESET)

.PHONY: all bootstrap build run test bench clean

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

bench:
	@bash scripts/bootstrap.sh build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	build/bench/bench/kestrin_bench $(BENCH_ARGS)

clean:
	rm -rf build
