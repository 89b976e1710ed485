# Quick start: `make run` opens the window, `make test` builds and runs every test.
# CI (CI=true) builds with warnings as errors.
PRESET ?= $(if $(CI),ci,debug)
BUILD_DIR := build/$(PRESET)

.PHONY: all bootstrap build run test clean

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

clean:
	rm -rf build
