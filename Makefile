# SPDX-License-Identifier: MIT
# Quick start: `make run` builds the program and opens the window on the demo folder, `make test`
# builds and runs every test. CI (CI=true) builds with warnings as errors. `make bench` builds a
# release build of its own and prints the benchmark figures; it is never part of `make test`.
# `make windows` builds kestrin.exe and its tests for Windows, `make test-windows` runs the tests
# under wine, `make package-windows` makes the portable zip, `make installer-windows` the installer.
# `make release` puts every artefact of this version and their SHA256SUMS into dist/;
# `make check-reproducible` builds them twice in fresh clones and compares (docs/reproducible.md).
PRESET ?= $(if $(CI),ci,debug)
# Passed to the release and windows builds' configure step (check-reproducible leaves out the tests).
CONFIGURE_ARGS ?=
BUILD_DIR := build/$(PRESET)
DEMO_DIR := build/demo

.PHONY: all bootstrap build program run screenshot package test test-asan fuzz tidy bench windows test-windows \
	package-windows installer-windows screenshot-windows release check-reproducible clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh build test

build: bootstrap
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

# Only what the window needs: the program and the demo backend, not the tests.
program: bootstrap
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) --target kestrin demo_backend

# On a desktop the window opens on build/demo; without a display (neither DISPLAY nor
# WAYLAND_DISPLAY) Kestrin runs on a virtual display instead and leaves a screenshot.
run: program
	bash scripts/prepare_demo.sh $(BUILD_DIR) $(DEMO_DIR)
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	    cd $(DEMO_DIR) && exec $(CURDIR)/$(BUILD_DIR)/app/kestrin; \
	else \
	    echo "No display: starting Kestrin on a virtual X display for a screenshot."; \
	    bash scripts/bootstrap.sh screenshot && \
	    bash scripts/screenshot.sh $(BUILD_DIR)/app/kestrin $(DEMO_DIR) build/kestrin-demo.png; \
	fi

# The README's picture, from the real window on a virtual display.
screenshot: program
	@bash scripts/bootstrap.sh screenshot
	bash scripts/prepare_demo.sh $(BUILD_DIR) $(DEMO_DIR)
	bash scripts/screenshot.sh $(BUILD_DIR)/app/kestrin $(DEMO_DIR) docs/screenshot.png

# The .deb, from an optimised build: build/release/kestrin_0.1.0_amd64.deb. Release builds (this
# one, bench, windows) are -O2, as at -O3 GCC 12 warns falsely about std::string copies
# (-Wrestrict); CI makes warnings errors here too, as some only show when optimising.
package:
	@bash scripts/bootstrap.sh build package
	cmake --preset release $(if $(CI),-DKESTRIN_WARNINGS_AS_ERRORS=ON) $(CONFIGURE_ARGS)
	cmake --build --preset release
	bash scripts/package.sh deb build/release build/release

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

# clang-tidy over the project's own sources, with the compile commands of the $(PRESET) build,
# of the bench build (only it compiles bench/; configuring it is enough, as none of our files
# includes a generated header) and of the fuzz build, when there is one.
tidy: build
	@bash scripts/bootstrap.sh tidy bench
	cmake --preset bench >/dev/null
	bash scripts/tidy.sh $(BUILD_DIR) build/bench \
	    $(patsubst %/compile_commands.json,%,$(wildcard build/fuzz/compile_commands.json))

# Benchmarks: a release build of their own; never part of `make test`.
bench:
	@bash scripts/bootstrap.sh build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	build/bench/bench/kestrin_bench $(BENCH_ARGS)

# Qt for mingw-w64: a prefix of your own, or the one scripts/qt-mingw.sh makes there (from the
# tarball in ../shared/qt6-mingw/, or built from Debian's source).
KESTRIN_QT_MINGW ?= $(CURDIR)/build/qt6-mingw
export KESTRIN_QT_MINGW

windows:
	@bash scripts/bootstrap.sh windows
	bash scripts/qt-mingw.sh $(KESTRIN_QT_MINGW)
	cmake --preset windows $(if $(CI),-DKESTRIN_WARNINGS_AS_ERRORS=ON) $(CONFIGURE_ARGS)
	cmake --build --preset windows

test-windows: windows
	@bash scripts/bootstrap.sh installer
	bash scripts/test-windows.sh

# The portable zip: build/windows/kestrin-0.1.0-windows-x64.zip.
package-windows: windows
	@bash scripts/bootstrap.sh package
	bash scripts/package.sh zip build/windows build/windows

# The installer, built by wixl: build/windows/kestrin-0.1.0-x64.msi.
installer-windows: windows
	@bash scripts/bootstrap.sh installer
	bash scripts/installer-windows.sh build/windows build/windows

# The README's picture of the Windows window: the real kestrin.exe under wine, driven from outside.
screenshot-windows: windows
	bash scripts/test-windows.sh -R windows_program
	cp build/windows/screenshot-windows.png docs/screenshot-windows.png

# Every artefact of this version in dist/: the .deb, the zip, the installer, the source tarball of
# the last commit, and SHA256SUMS.
release: package package-windows installer-windows
	bash scripts/release.sh dist

# Two fresh clones of the last commit, built one after the other, compared file by file;
# CHECK=deb compares the .deb alone.
check-reproducible:
	@bash scripts/bootstrap.sh build package $(if $(filter deb,$(CHECK)),,windows installer)
	bash scripts/check-reproducible.sh $(or $(CHECK),all)

clean:
	rm -rf build dist
