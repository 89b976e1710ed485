# Quick start: `make run` opens the window, `make test` builds and runs every test.
# `make test-windows` builds the Qt-free parts for Windows and runs their tests under wine.
# CI (CI=true) builds with warnings as errors.
PRESET ?= $(if $(CI),ci,debug)
BUILD_DIR := build/$(PRESET)

.PHONY: all bootstrap build run test test-windows clean

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

test-windows:
	@bash scripts/bootstrap.sh windows
	cmake --preset windows $(if $(CI),-DKESTRIN_WARNINGS_AS_ERRORS=ON)
	cmake --build --preset windows
	bash scripts/test-windows.sh

clean:
	rm -rf build
