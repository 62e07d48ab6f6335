# The two commands a new machine needs: `make run` and `make test`.
# Both install what is missing (scripts/install-deps), configure and build.

JOBS        ?= $(shell nproc)
BUILD       ?= build
ASAN_BUILD  ?= build-asan
BENCH_BUILD ?= build-bench
TSAN_BUILD  ?= build-tsan
# The tests whose code runs on more than one thread: the output writer and a whole install.
TSAN_TESTS  ?= output_writer_test installer_run_test vexacab_output_test message_queue_test
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 600
PREFIX      ?= /usr/local

.PHONY: all deps build build-asan run test test-normal test-asan test-tsan bench fuzz clean installer install deb \
        check-optimised

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCH=OFF

build-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# What ships comes from an optimised build without sanitizers; the programs lose their debug
# information on the way (the game's stays in dist/Kestrovan.debug).
check-optimised: $(BUILD)/CMakeCache.txt
	@grep -Eq '^CMAKE_BUILD_TYPE:[A-Z]+=(Release|RelWithDebInfo|MinSizeRel)$$' $(BUILD)/CMakeCache.txt \
	  && ! grep -Eq '^KV_SANITIZE:BOOL=ON$$' $(BUILD)/CMakeCache.txt \
	  || { echo "$(BUILD) is not an optimised build without sanitizers"; exit 1; }

# The shipped installer package: dist/RuzizKestrovan-setup.
installer: check-optimised build
	mkdir -p dist
	cp $(BUILD)/dist/RuzizKestrovan-setup $(BUILD)/dist/Kestrovan.debug dist/
	@ls -l dist/RuzizKestrovan-setup

# The programs, the game with its media, man pages, menu entry, icons and metainfo under PREFIX.
install: check-optimised build
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

# The Debian package: dist/ruziz-kestrovan_VERSION_ARCH.deb.
deb: check-optimised build
	cpack --config $(BUILD)/CPackConfig.cmake -B $(BUILD)/deb
	mkdir -p dist
	cp $(BUILD)/deb/*.deb dist/

run: build
	@scripts/run-game $(BUILD)

test: test-normal test-asan

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# Not part of `make test`: a ThreadSanitizer build of the threaded code's tests only.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_TSAN=ON -DKV_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R '^($(shell echo $(TSAN_TESTS) | tr ' ' '|'))$$'

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/run-benchmarks $(BENCH_BUILD)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON -DKV_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_cabinet make_fuzz_seeds
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) dist
