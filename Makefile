# Ardentis: top-level build. CMake does the work; this file picks the build trees.
#   make          release engine at build/release/ardentis
#   make EXE=path also copies it to path (folders made as needed): the way
#                 distributed-testing frameworks build an engine
#   make run      build and start the engine in this terminal
#   make test     release tests, then the tests again under ASan + UBSan
#   make tsan     threaded tests under ThreadSanitizer
#   make bench    speed figures (release build)
#   make match    engine-against-engine games with fastchess (long; not part of make test)
#   make match-tuned, make match-rootorder  strength comparisons at 10+0.1
#                 (400 games each, hours; GAMES=n and MATCH_FLAGS=... change them)
#   make match-threads  two threads against one, 200 games at 5+0.05 (about an hour)
#   make install  engine to $(PREFIX)/bin, example Ardentis.ini and README to
#                 $(PREFIX)/share/doc/ardentis (PREFIX=/usr/local; DESTDIR for staging)
#   make uninstall  removes exactly those files

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
EXE ?=
DESTDIR ?=
BINDIR = $(DESTDIR)$(PREFIX)/bin
DOCDIR = $(DESTDIR)$(PREFIX)/share/doc/ardentis

.PHONY: all release run test test-release test-asan tsan bench match match-tuned match-rootorder match-threads install uninstall clean prerequisites

all: release

prerequisites:
	@command -v cmake >/dev/null 2>&1 || { echo "cmake is missing: install it with 'apt-get install cmake'"; exit 1; }
	@command -v g++ >/dev/null 2>&1 || { echo "g++ is missing: install it with 'apt-get install g++'"; exit 1; }

release: prerequisites
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/release -j $(JOBS) --target ardentis
ifneq ($(EXE),)
	@mkdir -p "$(dir $(EXE))" && cp build/release/ardentis "$(EXE)"
endif

run: release
	@./build/release/ardentis

test-release: prerequisites
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build build/release -j $(JOBS)
	@cd build/release && ctest --output-on-failure -j $(JOBS) -LE slow
	@dir=$$(sed -n 's/^SYZYGY_EXTENDED_DIR:PATH=//p' build/release/CMakeCache.txt); \
	  ls "$$dir"/*.rtbw 2>/dev/null | grep -qE '/[KQRBNPv]{6}\.rtbw$$' || \
	  echo "Extended tablebase cases (5-piece tables) not run: no such tables in '$$dir'"
	@./tools/install_test.sh
	@./tools/openbench_test.sh

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

match-tuned: release
	@./tools/strength_match.py tuned $(if $(GAMES),--games $(GAMES)) $(MATCH_FLAGS)

match-rootorder: release
	@./tools/strength_match.py rootorder $(if $(GAMES),--games $(GAMES)) $(MATCH_FLAGS)

match-threads: release
	@./tools/strength_match.py threads $(if $(GAMES),--games $(GAMES)) $(MATCH_FLAGS)

install: release
	install -d $(BINDIR) $(DOCDIR)
	install -m 755 build/release/ardentis $(BINDIR)/ardentis
	install -m 644 doc/Ardentis.ini $(DOCDIR)/Ardentis.ini
	install -m 644 README.md $(DOCDIR)/README.md

# Removes the installed files and the documentation folder; under a DESTDIR
# (a staging folder) also the folders of the PREFIX path that are left empty.
uninstall:
	rm -f $(BINDIR)/ardentis $(DOCDIR)/Ardentis.ini $(DOCDIR)/README.md
	@rmdir $(DOCDIR) 2>/dev/null || true
	@if [ -n "$(DESTDIR)" ]; then \
	  for d in bin share/doc share; do rmdir "$(DESTDIR)$(PREFIX)/$$d" 2>/dev/null || true; done; \
	  p="$(PREFIX)"; while [ -n "$$p" ] && [ "$$p" != / ] && rmdir "$(DESTDIR)$$p" 2>/dev/null; do p=$$(dirname "$$p"); done; \
	fi

clean:
	rm -rf build
