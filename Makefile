# Conventional entry points; CMake does the real work.
#   make            release engine in build/release/zeltro
#   make EXE=path   the same, copied to path (as match managers expect)
#   make run        build, then start the engine in this terminal
#   make test       release and sanitizer builds, each with the whole test suite
#   make speed      generator speed with Google Benchmark
#   make windows    build/windows/zeltro.exe, cross-built with MinGW-w64 and linked statically
#   make test-windows  that exe under Wine: perft, bench and a UCI session through Windows pipes
#   make install    the engine and its manual under PREFIX (default /usr/local), DESTDIR honoured;
#                   make uninstall takes them away again
#   make docs       docs/units.svg, the picture in docs/design.md, from docs/units.dot (graphviz)

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE := build/release
SANITIZE := build/sanitize
WINDOWS := build/windows

.PHONY: all release run test test-release test-sanitize speed windows test-windows format clean \
	install uninstall docs

all: release
ifneq ($(EXE),)
	cp $(RELEASE)/zeltro $(EXE)
endif

release:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=OFF >/dev/null
	cmake --build $(RELEASE) -j $(JOBS) --target zeltro

run: release
	./$(RELEASE)/zeltro

test: test-release test-sanitize

test-release:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=ON >/dev/null
	cmake --build $(RELEASE) -j $(JOBS)
	ctest --test-dir $(RELEASE) -j $(JOBS) --output-on-failure

test-sanitize:
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELTRO_SANITIZE=ON >/dev/null
	cmake --build $(SANITIZE) -j $(JOBS)
	ctest --test-dir $(SANITIZE) -j $(JOBS) --output-on-failure

# Move-generation speed with Google Benchmark (libbenchmark-dev)
speed: release
	cmake --build $(RELEASE) -j $(JOBS) --target zeltro_speed
	./$(RELEASE)/zeltro_speed

windows:
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=OFF >/dev/null
	cmake --build $(WINDOWS) -j $(JOBS) --target zeltro

test-windows: windows
	cmake --build $(WINDOWS) -j $(JOBS) --target zeltro_pipe_driver
	tests/windows/run.sh $(WINDOWS)

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

# The picture of the units is kept in the repository, so the guide shows it without graphviz.
docs: docs/units.svg

docs/units.svg: docs/units.dot
	dot -Tsvg docs/units.dot -o docs/units.svg

format:
	clang-format -i src/*.cpp src/*.h tests/*.cpp tests/*.h tests/windows/*.cpp bench/*.cpp

clean:
	rm -rf build
