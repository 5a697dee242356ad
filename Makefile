# Ardentis: top-level build. CMake does the work; this file picks the build trees.
#   make          release engine at build/release/ardentis
#   make run      build and start the engine in this terminal
#   make test     release tests, then the tests again under ASan + UBSan
#   make tsan     threaded tests under ThreadSanitizer
#   make bench    speed figures (release build)
#   make match    engine-against-engine games with fastchess (long; not part of make test)

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all release run test test-release test-asan tsan bench match clean prerequisites

all: release

prerequisites:
	@command -v cmake >/dev/null 2>&1 || { echo "cmake is missing: install it with 'apt-get install cmake'"; exit 1; }
	@command -v g++ >/dev/null 2>&1 || { echo "g++ is missing: install it with 'apt-get install g++'"; exit 1; }

release: prerequisites
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/release -j $(JOBS) --target ardentis

run: release
	@./build/release/ardentis

test-release: prerequisites
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/release -j $(JOBS)
	@cd build/release && ctest --output-on-failure -j $(JOBS) -LE slow

test-asan: prerequisites
	@cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARDENTIS_SANITIZE=address $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/asan -j $(JOBS)
	@cd build/asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS) -LE 'slow|release-only'

test: test-release test-asan tsan

tsan: prerequisites
	@cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARDENTIS_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/tsan -j $(JOBS) --target ardentis engine_thread_tests unit_thread_tests
	@cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -L threads

bench: prerequisites
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/release -j $(JOBS) --target ardentis ardentis_bench
	@./build/release/bench/ardentis_bench
	@./tools/startup_time.sh

match: release
	@./tools/match.sh

clean:
	rm -rf build
