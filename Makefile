# KOLV17 — the two commands a newcomer needs are `make run` and `make test`.
# Everything else (packages, build, data) is set up on the way.

BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_TYPE ?= RelWithDebInfo
KOLV17     := $(BUILD)/kolv17
ARGS       ?=

PACKAGES := cmake g++ pkg-config libsdl2-dev libmpg123-dev libfftw3-dev libopenmpt-dev \
            libmp3lame-dev libebur128-dev libpng-dev zlib1g-dev console-setup-linux googletest libgtest-dev \
            libgmock-dev libbenchmark-dev imagemagick ffmpeg clang libclang-rt-14-dev tmux \
            valgrind sox

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all run test deps build data bench fuzz fuzz-build fuzz-ci check-sanitize sanitize-build soak install install-files clean distclean

all: build data

# Install only what is missing, so a ready machine pays one dpkg query.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD)/Makefile: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(CMAKE_TYPE) > /dev/null

build: deps $(BUILD)/Makefile
	cmake --build $(BUILD) -j $(JOBS)

# Every data file comes from assets/ through our own generators; each tool
# contributes its rules in tools/<tool>/data.mk.
DATA_FILES :=
include $(wildcard tools/*/data.mk)

data: build $(DATA_FILES)

run: build data
	$(KOLV17) $(ARGS)

test: build data
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build data
	$(BUILD)/kolv17_bench

sanitize-build: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKOLV_SANITIZE=ON > /dev/null
	cmake --build build-sanitize -j $(JOBS)

# Sanitizer build: the tests and one headless show under ASan and UBSan.
check-sanitize: deps data sanitize-build
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 build-sanitize/kolv17 --headless --no-audio --fps 25

# The show with scripted arrows and F5 reloads, SOAK_RUNS times under the
# sanitizers (long: about a minute a run).
SOAK_RUNS ?= 20
soak: deps data sanitize-build
	tests/soak.sh build-sanitize/kolv17 $(SOAK_RUNS)

# The fuzz build: every program and fuzz/<name>.cpp as fuzz_<name>, with
# clang, libFuzzer, ASan and UBSan. A warning stops it, so the tree keeps
# building with clang as well as with g++.
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLV_FUZZ=ON \
	  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON > /dev/null
	cmake --build build-fuzz -j $(JOBS)

# Every fuzz target replays its seeds (fuzz/seeds/<name>/, where every mended
# finding is kept) and the inputs it found before, then fuzzes FUZZ_SECONDS.
# A crash, a sanitizer report or a leak stops here, its input kept in
# build-fuzz/artifacts/<name>/.
FUZZ_SECONDS ?= 60
fuzz: fuzz-build
	@for src in fuzz/*.cpp; do \
	  name=$$(basename $$src .cpp); f=build-fuzz/fuzz_$$name; \
	  corpus=build-fuzz/corpus/$$name; artifacts=build-fuzz/artifacts/$$name/; log=build-fuzz/logs/$$name.log; \
	  seeds=fuzz/seeds/$$name; [ -d $$seeds ] || seeds=; \
	  mkdir -p $$corpus $$artifacts build-fuzz/logs; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  if ! $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$$artifacts \
	       $$corpus $$seeds > $$log 2>&1; then \
	    tail -n 60 $$log; echo "$$name failed; the input is kept in $$artifacts"; exit 1; \
	  fi; \
	  grep -E '^INFO: seed corpus|^#[0-9]+[[:space:]]+(INITED|DONE)|^Done ' $$log; \
	done

# CI's round: the seeds and 30 s of fuzzing for every target.
fuzz-ci:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30

PREFIX ?= /usr/local
install: build data
	@$(MAKE) --no-print-directory install-files

# The copying alone, of what `build` and `data` made (the install test runs it
# against its own build).
install-files:
	install -D -m 755 $(KOLV17) $(DESTDIR)$(PREFIX)/bin/kolv17
	install -d $(DESTDIR)$(PREFIX)/share/kolv17/data
	cp -r data/. $(DESTDIR)$(PREFIX)/share/kolv17/data/
	install -D -m 644 docs/kolv17.1 $(DESTDIR)$(PREFIX)/share/man/man1/kolv17.1

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz

distclean: clean
	rm -rf data
