# Conventional entry points; CMake does the real work.
#   make            release engine in build/release/zeltro
#   make EXE=path   the same, copied to path (as match managers expect)
#   make run        build, then start the engine in this terminal
#   make test       release and sanitizer builds, each with the whole test suite
#   make speed      generator speed with Google Benchmark
#   make fuzz       each fuzz target under libFuzzer for FUZZ_SECONDS (clang); fails on a finding

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE := build/release
SANITIZE := build/sanitize
FUZZ := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := command fen moves book

.PHONY: all release run test test-release test-sanitize speed fuzz fuzz-ci format clean

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

format:
	clang-format -i src/*.cpp src/*.h tests/*.cpp tests/*.h tests/fuzz/*.cpp tests/fuzz/*.h bench/*.cpp

clean:
	rm -rf build
