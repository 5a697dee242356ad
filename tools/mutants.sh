#!/bin/sh
# Mutation check of the tests: plants about thirty small faults in the engine
# (move generation, make-move, FEN, exchange evaluation, evaluation, hash
# table, search, book, tablebases, UCI and time control), one at a time; for
# each it builds the release tests in build/mutants (incrementally), runs
# `ctest -LE slow` and says whether a test failed. Prints caught/missed per
# fault and the total. The changed file is always restored.
#
#   tools/mutants.sh                 every fault (about 40 minutes on 2 cores)
#   tools/mutants.sh --list          the faults
#   tools/mutants.sh --check         only check that each fault's code is found
#   tools/mutants.sh --only a,b      some of them
#   JOBS=n, MUTANT_TIMEOUT=seconds (one test run; default 300)
#
# The faults are in tools/mutants.py: each is a piece of code that must occur
# exactly once in its file, and its replacement.
exec python3 "$(dirname "$0")/mutants.py" "$@"
