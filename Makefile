# Conventional entry points; CMake does the real work.
#   make            release engine in build/release/zeltro
#   make EXE=path   the same, copied to path (as match managers expect)
#   make run        build, then start the engine in this terminal
#   make test       release and sanitizer builds, each with the whole test suite
#   make speed      evaluation, generator and make/take-back speed with Google Benchmark
#   make ARCH=native ...  any of these for this machine's processor (ARCH=x86-64-v3 and the like
#                   work too); without ARCH the engine runs on every x86-64

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE := build/release
SANITIZE := build/sanitize
ARCH :=
CONFIG := -DZELTRO_ARCH=$(ARCH)

.PHONY: all release run test test-release test-sanitize speed format clean

all: release
ifneq ($(EXE),)
	cp $(RELEASE)/zeltro $(EXE)
endif

release:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DZELTRO_TESTS=OFF $(CONFIG) >/dev/null
	cmake --build $(RELEASE) -j $(JOBS) --target zeltro

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

format:
	clang-format -i src/*.cpp src/*.h tests/*.cpp tests/*.h bench/*.cpp

clean:
	rm -rf build
