# SPDX-License-Identifier: GPL-3.0-or-later
# Conventional entry points; CMake does the real work.
#   make            release engine in build/release/zeltro
#   make EXE=path   the same, copied to path (as match managers expect)
#   make run        build, then start the engine in this terminal
#   make test       release and sanitizer builds, each with the whole test suite
#   make speed      evaluation, generator and make/take-back speed with Google Benchmark
#   make windows    build/windows/zeltro.exe, cross-built with MinGW-w64 and linked statically
#   make test-windows  that exe under Wine: perft, bench and a UCI session through Windows pipes
#   make arm64, make armhf  build/arm64/zeltro and build/armhf/zeltro for 64-bit and 32-bit ARM
#                   Linux (Raspberry Pi), cross-built with Debian's g++ and linked statically
#   make test-arm   both under qemu-user: perft, bench and a UCI session through pipes
#                   (make test-arm64 or make test-armhf checks one of them)
#   make install    the engine and its manual under PREFIX (default /usr/local), DESTDIR honoured;
#                   make uninstall takes them away again
#   make deb        the Debian package (engine in /usr/games) in build/deb/, built from a copy of
#                   the sources with dpkg-buildpackage and checked by lintian (debhelper, lintian)
#   make docs       docs/units.dot from the includes (tools/units.sh), and its picture
#                   docs/units.svg for docs/design.md (graphviz)
#   make web        the engine in WebAssembly behind a board page, in build/web/ (emscripten, npm)
#   make serve      serve build/web/ on this machine, cross-origin isolated, and print the address
#   make web-test   use the page in headless chromium as a person would (puppeteer-core)
#   make web-speed  bench in the page's worker against the native engine, with their ratio
#   make fuzz       each fuzz target under libFuzzer for FUZZ_SECONDS (clang); fails on a finding
#   make ARCH=native ...  any of these for this machine's processor (ARCH=x86-64-v3 and the like
#                   work too); without ARCH the engine runs on every processor of its kind

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE := build/release
SANITIZE := build/sanitize
WINDOWS := build/windows
FUZZ := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := command session fen moves book
ARCH :=
CONFIG := -DZELTRO_ARCH=$(ARCH)

.PHONY: all release run test test-release test-sanitize speed windows test-windows format clean \
	arm64 armhf test-arm test-arm64 test-armhf \
	install uninstall deb web web-node serve web-test web-speed fuzz fuzz-ci docs

all: release
ifneq ($(EXE),)
	cp $(RELEASE)/zeltro $(EXE)
endif

# Without the tests, whose binary from an earlier make test would no longer follow the sources:
# it goes, so that nobody runs a stale one by hand.
release:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=OFF $(CONFIG) >/dev/null
	cmake --build $(RELEASE) -j $(JOBS) --target zeltro
	@rm -f $(RELEASE)/zeltro_tests

run: release
	./$(RELEASE)/zeltro

test: test-release test-sanitize

test-release:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=ON $(CONFIG) >/dev/null
	cmake --build $(RELEASE) -j $(JOBS)
	ctest --test-dir $(RELEASE) -j $(JOBS) --output-on-failure

test-sanitize:
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELTRO_SANITIZE=ON $(CONFIG) >/dev/null
	cmake --build $(SANITIZE) -j $(JOBS)
	ctest --test-dir $(SANITIZE) -j $(JOBS) --output-on-failure

# Evaluation, generation and make/take-back speed with Google Benchmark (libbenchmark-dev)
speed: release
	cmake --build $(RELEASE) -j $(JOBS) --target zeltro_speed
	./$(RELEASE)/zeltro_speed

windows:
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=OFF >/dev/null
	cmake --build $(WINDOWS) -j $(JOBS) --target zeltro

test-windows: windows
	cmake --build $(WINDOWS) -j $(JOBS) --target zeltro_pipe_driver
	tests/cross/run.sh windows $(WINDOWS)

# Each ARM build's toolchain file is cmake/NAME.cmake.
arm64 armhf:
	cmake -S . -B build/$@ -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/$@.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=OFF >/dev/null
	cmake --build build/$@ -j $(JOBS) --target zeltro

# make -j2 -O test-arm checks both at once, each one's transcript in one piece.
test-arm: test-arm64 test-armhf

test-arm64 test-armhf: test-%: %
	tests/cross/run.sh $* build/$*

# The engine goes to $(BINDIR), the manual to section 6; a package may set BINDIR=$(PREFIX)/games.
# ENGINE names the engine to install, the release build unless another one is given.
PREFIX ?= /usr/local
BINDIR ?= $(PREFIX)/bin
MANDIR ?= $(PREFIX)/share/man
ENGINE ?= $(RELEASE)/zeltro

$(RELEASE)/zeltro: release

install: $(ENGINE)
	install -d "$(DESTDIR)$(BINDIR)" "$(DESTDIR)$(MANDIR)/man6"
	install -m 755 "$(ENGINE)" "$(DESTDIR)$(BINDIR)/zeltro"
	install -m 644 docs/zeltro.6 "$(DESTDIR)$(MANDIR)/man6/zeltro.6"

uninstall:
	rm -f "$(DESTDIR)$(BINDIR)/zeltro" "$(DESTDIR)$(MANDIR)/man6/zeltro.6"

# ---- The Debian package ----
# dpkg-buildpackage writes beside the source tree and cleans inside it, so it works on a copy in
# $(DEB)/zeltro (the files git knows, or everything but build/ outside a git checkout); the
# packages, the .changes and the build log land in $(DEB). The release test suite runs during the
# build unless DEB_BUILD_OPTIONS has nocheck. The source package, made from the fresh copy, is
# only there for lintian, which reads debian/ (the copyright file among it) from it; lintian must
# find neither an error nor a warning in either.
DEB := build/deb

deb:
	rm -rf $(DEB) && mkdir -p $(DEB)/zeltro
	if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then \
	  git ls-files -z --cached --others --exclude-standard | xargs -0 cp -P --parents -t $(DEB)/zeltro; \
	else \
	  tar -c --exclude=./build . | tar -x -C $(DEB)/zeltro; \
	fi
	cd $(DEB) && dpkg-source -b zeltro >/dev/null
	@echo "building the package; the log is $(DEB)/build.log"
	cd $(DEB)/zeltro && DEB_BUILD_OPTIONS="parallel=$(JOBS) $$DEB_BUILD_OPTIONS" \
	  dpkg-buildpackage -us -uc -b >../build.log 2>&1 || { tail -n 60 ../build.log; exit 1; }
	@ls $(DEB)/*.deb
	@if command -v lintian >/dev/null; then \
	  lintian --fail-on error,warning $(DEB)/zeltro_*.changes $(DEB)/zeltro_*.dsc && \
	    echo "lintian: no errors, no warnings"; \
	else echo "note: lintian is not installed; the package is not checked"; fi

# ---- The browser build ----
# Debian's emcc runs its JavaScript optimiser under the machine's node, which must find Debian's acorn.
EMCC := NODE_PATH=/usr/share/nodejs emcc
WEB := build/web
WEB_OBJ := build/web-obj
WEB_PORT ?= 8000
WEB_BIND ?= 127.0.0.1
# WebAssembly SIMD and bulk memory (every current browser and node has both) and whole-program
# optimisation: the search runs faster, node for node the same. With -msse2 the evaluation's
# SSE2 blend compiles to WebAssembly SIMD instructions.
WEB_SPEED := -msimd128 -msse2 -mbulk-memory -flto
WEB_CXXFLAGS := -std=c++20 -O3 $(WEB_SPEED) -Wall -Wextra -Isrc -MMD -MP
# Room for the tables and the largest hash table the Hash option allows.
WEB_LDFLAGS := -O3 $(WEB_SPEED) -sINITIAL_MEMORY=32MB
ENGINE_SOURCES := $(filter-out src/main.cpp,$(wildcard src/*.cpp))
ENGINE_OBJECTS := $(patsubst src/%.cpp,$(WEB_OBJ)/%.o,$(ENGINE_SOURCES))
WEB_PAGE := web/index.html web/app.js web/style.css web/zeltro-worker.js web/zeltro-engine.js web/sw.js \
	web/manifest.webmanifest web/icon.svg
BOARD_ASSETS := web/node_modules/cm-chessboard/assets

web: $(WEB)/zeltro.js $(WEB)/app.js

$(WEB_OBJ)/%.o: src/%.cpp
	@mkdir -p $(WEB_OBJ)
	$(EMCC) $(WEB_CXXFLAGS) -c $< -o $@

$(WEB_OBJ)/%.o: web/%.cpp
	@mkdir -p $(WEB_OBJ)
	$(EMCC) $(WEB_CXXFLAGS) -c $< -o $@

-include $(wildcard $(WEB_OBJ)/*.d)

# The worker's engine: no main; the worker calls zeltro_start once, then zeltro_line per line.
$(WEB)/zeltro.js: $(ENGINE_OBJECTS) $(WEB_OBJ)/engine_entry.o
	@mkdir -p $(WEB)
	$(EMCC) $^ $(WEB_LDFLAGS) --no-entry -sENVIRONMENT=worker -sEXPORTED_RUNTIME_METHODS=ccall -o $@

web/node_modules/.package-lock.json: web/package-lock.json
	cd web && npm ci --no-audit --no-fund
	@touch $@

$(WEB)/app.js: $(WEB_PAGE) web/node_modules/.package-lock.json
	@mkdir -p $(WEB)/assets/pieces $(WEB)/assets/extensions/markers $(WEB)/licenses
	cd web && npx esbuild app.js style.css --bundle --minify --legal-comments=external \
	  --format=esm --external:./zeltro-engine.js --outdir=../$(WEB) --log-level=warning
	cp web/index.html web/zeltro-worker.js web/zeltro-engine.js web/sw.js web/manifest.webmanifest web/icon.svg $(WEB)/
	cp $(BOARD_ASSETS)/pieces/standard.svg $(WEB)/assets/pieces/
	cp $(BOARD_ASSETS)/extensions/markers/markers.svg $(WEB)/assets/extensions/markers/
	cp web/node_modules/cm-chessboard/LICENSE $(WEB)/licenses/cm-chessboard.txt
	cp web/node_modules/chess.js/LICENSE $(WEB)/licenses/chess.js.txt

# The same engine with its command line, as one file node can run: zeltro.js bench, perft ...
web-node: build/web-node/zeltro.js

build/web-node/zeltro.js: $(ENGINE_OBJECTS) $(WEB_OBJ)/main.o
	@mkdir -p build/web-node
	$(EMCC) $^ $(WEB_LDFLAGS) -sENVIRONMENT=node -sSINGLE_FILE=1 -o $@

serve: web
	@echo "Zeltro 1800 in the browser: http://$(WEB_BIND):$(WEB_PORT)/ (Ctrl-C ends)"
	web/serve.py $(WEB) $(WEB_PORT) $(WEB_BIND)

web-test: web
	cd web && node play.test.mjs ../$(WEB) ../build/web-test

# bench in the page's worker against the native engine, in alternated rounds (an idle machine, please)
WEB_SPEED_ROUNDS ?= 5
web-speed: web release
	cd web && node speed.mjs ../$(WEB) ../$(RELEASE)/zeltro $(WEB_SPEED_ROUNDS)

# New inputs go to $(FUZZ)/corpus, a finding to $(FUZZ)/findings; the saved inputs under
# tests/fuzz are only read. Keep a finding as tests/fuzz/regressions/TARGET/NAME once it is fixed.
fuzz:
	CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELTRO_FUZZ=ON -DZELTRO_TESTS=OFF >/dev/null
	cmake --build $(FUZZ) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	mkdir -p $(FUZZ)/findings
	for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ)/corpus/$$t tests/fuzz/regressions/$$t && \
	  ./$(FUZZ)/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=30 -close_fd_mask=1 \
	    -artifact_prefix=$(FUZZ)/findings/$$t- $(FUZZ)/corpus/$$t tests/fuzz/corpus/$$t \
	    tests/fuzz/regressions/$$t 2>$(FUZZ)/$$t.log || { tail -40 $(FUZZ)/$$t.log; exit 1; }; \
	  grep -h "^Done" $(FUZZ)/$$t.log | sed "s/^/$$t: /"; \
	done

# The short run of continuous integration.
fuzz-ci:
	$(MAKE) fuzz FUZZ_SECONDS=20

# The picture of the units is kept in the repository, so the guide shows it without graphviz.
docs:
	tools/units.sh dot > docs/units.dot
	dot -Tsvg docs/units.dot -o docs/units.svg

format:
	clang-format -i src/*.cpp src/*.h tests/*.cpp tests/*.h tests/fuzz/*.cpp tests/fuzz/*.h \
	  tests/cross/*.cpp bench/*.cpp web/*.cpp

clean:
	rm -rf build
