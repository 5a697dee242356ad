#!/usr/bin/env python3
"""Mutation check of the test suite: plants one small fault at a time in the
engine's core, builds the release tests, runs them and says whether they
noticed. Called by tools/mutants.sh; see its header for the usage.

Each fault is an exact piece of code and its replacement. The piece must occur
exactly once in its file, so the list survives code moving about; when a piece
is missing or ambiguous the run stops before building anything and says which.
The file is always put back, on success, failure, Ctrl-C or a kill, and a run
that was killed hard (kill -9) is mended at the start of the next one from the
copy kept in the build folder.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "mutants")
BACKUP = os.path.join(BUILD, "originals")

# (name, area, file, code, replacement, what goes wrong)
MUTANTS = [
    # position
    ("gen-underpromotion", "position", "src/position/movegen.cpp",
     "for (int i = 0; i < 4; i++)\n        *list++ = makeEntry(base | Move(PROMOTION_CODES[i])",
     "for (int i = 0; i < 3; i++)\n        *list++ = makeEntry(base | Move(PROMOTION_CODES[i])",
     "generator loop one short: no promotion to a knight"),
    ("make-ep-square", "position", "src/position/makemove.cpp",
     "const int captured = to - 8;", "const int captured = to - 16;",
     "en passant takes the pawn off the wrong square"),
    ("gen-castle-path", "position", "src/position/movegen.cpp",
     "!(occ & 0x60ULL)", "!(occ & 0x20ULL)",
     "short castling ignores a piece on g1"),
    ("make-castle-right", "position", "src/position/makemove.cpp",
     "t.keep[A8] = uint8_t(~CASTLE_THEIR_QUEEN);", "t.keep[A8] = uint8_t(~CASTLE_THEIR_KING);",
     "a move to a8 drops the opponent's short castling instead of the long one"),
    ("make-promotion-piece", "position", "src/position/makemove.cpp",
     "toggleType(c, promo, toBit);", "toggleType(c, QUEEN, toBit);",
     "every promotion puts a queen on the board"),
    ("make-fifty-reset", "position", "src/position/makemove.cpp",
     "c.halfmoveClock = 0;", "c.halfmoveClock = pos->halfmoveClock;",
     "captures and pawn moves do not reset the fifty-move counter"),
    ("make-repetition", "position", "src/position/makemove.cpp",
     "back <= c.halfmoveClock;", "back < c.halfmoveClock;",
     "repetition at the very start of the reversible tail missed"),
    ("fen-side-to-move", "position", "src/position/fen.cpp",
     'const bool black = fieldIs(fields[1], "b");', 'const bool black = !fieldIs(fields[1], "w");',
     "FEN side-to-move field other than w read as Black"),
    ("see-forced-recapture", "position", "src/position/see.cpp",
     "result = v > 0 ? v : 0;", "result = v;",
     "exchange evaluation makes each side capture to the end"),
    ("gameend-fifty", "position", "src/position/gameend.cpp",
     "if (pos.halfmoveClock > 99)", "if (pos.halfmoveClock > 100)",
     "fifty-move draw announced one ply late"),
    # eval
    ("eval-king-safety-sign", "eval", "src/eval/evalterms.h",
     "int kingSafety = (theirKingTable - ourKingTable) * phase / 64;",
     "int kingSafety = (ourKingTable - theirKingTable) * phase / 64;",
     "king safety scored with the sign flipped"),
    ("eval-passed-mask", "eval", "src/eval/evalterms.h",
     "for (int r = rank + 1; r <= 6; r++)", "for (int r = rank + 1; r <= 5; r++)",
     "a pawn on the seventh rank no longer stops a passer"),
    ("eval-phase", "eval", "src/eval/evalterms.h",
     "3 * popcount(knights(pos) | bishops(pos))", "2 * popcount(knights(pos) | bishops(pos))",
     "minor pieces weigh 2 in the game phase instead of 3"),
    ("eval-pawn-cache", "eval", "src/eval/evalterms.h",
     "if (slot.pawnKey != pos.pawnKey)", "if (slot.pawnKey == 0)",
     "pawn cache entry reused for another pawn structure"),
    # tt
    ("tt-upper-bound", "tt", "src/search/bounds.h",
     "bound == BOUND_UPPER && score <= alpha", "bound == BOUND_UPPER && score <= beta",
     "an upper bound between alpha and beta taken as a result"),
    ("tt-mate-ply", "tt", "src/search/bounds.h",
     "return score >= band ? score - ply : score <= -band ? score + ply : score;",
     "return score >= band ? score : score <= -band ? score + ply : score;",
     "a stored mate score read back without its ply adjustment"),
    ("tt-replace-deepest", "tt", "src/search/tt.cpp",
     "if (ttDepth(loadWord(bucket[i].data)) < ttDepth(loadWord(bucket[target].data)))",
     "if (ttDepth(loadWord(bucket[i].data)) > ttDepth(loadWord(bucket[target].data)))",
     "a full bucket evicts its deepest entry"),
    ("tt-replace-age", "tt", "src/search/tt.cpp",
     "if (age != currentAge && age < staleAge)", "if (age < staleAge)",
     "entries of the current search replaced as if they were stale"),
    # search
    ("search-null-move", "search", "src/search/search.cpp",
     "|| !(bishops(*pos) | rooks(*pos) | queens(*pos)))",
     "|| !(bishops(*pos) | rooks(*pos) | queens(*pos) | knights(*pos) | pawns(*pos)))",
     "null move tried in pawn and knight endings"),
    ("search-repetition", "search", "src/search/search.cpp",
     "if (pos.repetitions || pos.halfmoveClock > 100",
     "if (pos.halfmoveClock > 100",
     "a repetition below the root is not a draw"),
    # book
    ("book-castle-bits", "book", "src/book/book.cpp",
     'CASTLE_LETTERS[] = "KQkq";', 'CASTLE_LETTERS[] = "KQqk";',
     "book key: Black's castling rights take each other's random"),
    ("book-ep-file", "book", "src/book/book.cpp",
     "const int rank = whiteToMove ? 4 : 3;", "const int rank = whiteToMove ? 3 : 4;",
     "book key: en-passant file counted from the wrong rank"),
    # tablebase
    ("tb-dtz-sign", "tablebase", "src/tablebase/tbprobe.cpp",
     "return wdl > 0 ? d : -d;", "return wdl >= -1 ? d : -d;",
     "DTZ of a blessed loss comes with the winning sign"),
    ("tb-side-to-move", "tablebase", "src/tablebase/tbprobe.cpp",
     "o.side0 = 1, mirror = 56, o.stm = black ^ 1;", "o.side0 = 1, mirror = 56, o.stm = black;",
     "table side to move wrong when the material is stored the other way round"),
    ("tb-root-fifty", "tablebase", "src/search/rootprobe.cpp",
     "tbScore = int16_t(dtz + c <= 100 ? TB_WIN_SCORE : 2);",
     "tbScore = int16_t(dtz + c <= 101 ? TB_WIN_SCORE : 2);",
     "root win one ply past the fifty-move limit still scored as a win"),
    # frontend
    ("uci-movetime", "frontend", "src/frontend/uci.cpp",
     "moveTime = tokenValue(context);", "tokenValue(context);",
     "go movetime ignored"),
    ("uci-wtime", "frontend", "src/frontend/uci.cpp",
     "(black ? g.opponentClock : g.myClock) = tokenValue(context);",
     "(black ? g.myClock : g.opponentClock) = tokenValue(context);",
     "wtime read as Black's clock"),
    ("time-movestogo", "frontend", "src/search/timecontrol.cpp",
     "tc.allocation = tc.myTime / tc.movesToGo;", "tc.allocation = tc.myTime / (tc.movesToGo + 1);",
     "time allocation with movestogo divides by one move more"),
    ("time-deadline", "frontend", "src/search/timecontrol.cpp",
     "(limit + 1) * 10;", "limit * 10;",
     "timer stops the search a centisecond early"),
    ("report-mate-moves", "frontend", "src/frontend/report.cpp",
     "int mate = ((s >= MATE_SHOWN ? 20001 : -20000) - s) / 2;",
     "int mate = ((s >= MATE_SHOWN ? 20000 : -20000) - s) / 2;",
     "UCI mate in N printed one move short"),
]

originals = {}  # relative path -> original bytes, while the file is mutated


class Stop(Exception):
    pass


def on_signal(signum, _frame):
    raise Stop(f"signal {signum}")


def backup_path(rel):
    return os.path.join(BACKUP, rel)


def restore(rel):
    data = originals.pop(rel, None)
    if data is None:
        return
    with open(os.path.join(ROOT, rel), "wb") as f:
        f.write(data)
    try:
        os.remove(backup_path(rel))
    except FileNotFoundError:
        pass


def restore_all():
    for rel in list(originals):
        restore(rel)


def mend_leftovers():
    """Puts back files left mutated by a run that was killed hard."""
    if not os.path.isdir(BACKUP):
        return
    for folder, _dirs, files in os.walk(BACKUP):
        for name in files:
            copy = os.path.join(folder, name)
            rel = os.path.relpath(copy, BACKUP)
            shutil.copyfile(copy, os.path.join(ROOT, rel))
            os.remove(copy)
            print(f"restored {rel} left mutated by an earlier run", flush=True)


def check(mutant):
    """None when the code occurs exactly once in its file, else the problem."""
    name, _area, rel, code, _new, _what = mutant
    path = os.path.join(ROOT, rel)
    if not os.path.exists(path):
        return f"{name}: no file {rel}"
    with open(path, encoding="utf-8") as f:
        n = f.read().count(code)
    if n != 1:
        where = "not found" if n == 0 else f"found {n} times"
        return f"{name}: code {where} in {rel}:\n    {code!r}"
    return None


def apply(mutant):
    _name, _area, rel, code, new, _what = mutant
    path = os.path.join(ROOT, rel)
    with open(path, "rb") as f:
        data = f.read()
    os.makedirs(os.path.dirname(backup_path(rel)), exist_ok=True)
    with open(backup_path(rel), "wb") as f:
        f.write(data)
    originals[rel] = data
    with open(path, "wb") as f:
        f.write(data.replace(code.encode(), new.encode(), 1))


def run(cmd, timeout=None, quiet=True):
    """Runs cmd in a session of its own; returns its status, or None after a
    timeout (the whole session is killed)."""
    out = subprocess.DEVNULL if quiet else None
    p = subprocess.Popen(cmd, cwd=BUILD, stdout=out, stderr=out, start_new_session=True)
    try:
        return p.wait(timeout=timeout)
    except (subprocess.TimeoutExpired, Stop, KeyboardInterrupt) as e:
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        p.wait()
        if isinstance(e, subprocess.TimeoutExpired):
            return None
        raise


def build(jobs):
    return run(["cmake", "--build", ".", "-j", str(jobs)]) == 0


FAILED_LOG = os.path.join(BUILD, "Testing", "Temporary", "LastTestsFailed.log")


def failed_tests():
    try:
        with open(FAILED_LOG) as f:
            return [line.strip().split(":", 1)[-1] for line in f if line.strip()]
    except FileNotFoundError:
        return []


def test(jobs, timeout):
    """'pass', 'timeout' or the list of tests that failed twice in a row
    (a test that fails once and then passes is reported as a flake)."""
    try:
        os.remove(FAILED_LOG)
    except FileNotFoundError:
        pass
    status = run(["ctest", "-LE", "slow", "-j", str(jobs)], timeout)
    if status is None:
        return "timeout", []
    if status == 0:
        return "pass", []
    first = failed_tests()
    status = run(["ctest", "--rerun-failed", "-j", str(jobs)], timeout)
    if status is None:
        return "timeout", first
    again = failed_tests() if status != 0 else []
    return ("fail" if again else "flaky"), (again or first)


def main():
    parser = argparse.ArgumentParser(description="Plant faults one at a time and count those the tests catch.")
    parser.add_argument("--list", action="store_true", help="list the faults and exit")
    parser.add_argument("--check", action="store_true", help="only check that every fault's code is found")
    parser.add_argument("--only", help="comma-separated fault names (default: all)")
    parser.add_argument("--no-baseline", action="store_true", help="skip the run of the unchanged tests")
    parser.add_argument("--jobs", type=int, default=int(os.environ.get("JOBS", "2")))
    parser.add_argument("--timeout", type=int, default=int(os.environ.get("MUTANT_TIMEOUT", "300")),
                        help="seconds for one test run (default 300); a run that overruns counts as caught")
    args = parser.parse_args()

    chosen = MUTANTS
    if args.only:
        names = args.only.split(",")
        unknown = [n for n in names if n not in {m[0] for m in MUTANTS}]
        if unknown:
            sys.exit(f"unknown fault(s): {', '.join(unknown)}")
        chosen = [m for m in MUTANTS if m[0] in names]
    if args.list:
        for m in chosen:
            print(f"{m[0]:24} {m[1]:10} {m[2]:30} {m[5]}")
        return 0

    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)
    os.makedirs(BUILD, exist_ok=True)
    mend_leftovers()
    problems = [p for p in (check(m) for m in chosen) if p]
    if problems:
        print("fault code no longer matches the sources (fix the table in tools/mutants.py):", file=sys.stderr)
        for p in problems:
            print("  " + p, file=sys.stderr)
        return 2
    if args.check:
        print(f"all {len(chosen)} faults apply")
        return 0

    if run(["cmake", "-S", ROOT, "-B", BUILD, "-DCMAKE_BUILD_TYPE=Release"]) != 0:
        sys.exit("cmake configuration failed")
    started = time.time()
    results = []
    try:
        if not args.no_baseline:
            if not build(args.jobs):
                sys.exit("the unchanged sources do not build")
            outcome, tests = test(args.jobs, args.timeout)
            if outcome != "pass":
                sys.exit(f"the unchanged sources fail their tests ({outcome}): {' '.join(tests)}")
            print(f"baseline: tests pass ({time.time() - started:.0f} s)", flush=True)
        for m in chosen:
            name, area, rel, _code, _new, what = m
            t0 = time.time()
            apply(m)
            try:
                if not build(args.jobs):
                    outcome, tests = "no-build", []
                else:
                    outcome, tests = test(args.jobs, args.timeout)
            finally:
                restore(rel)
            verdict = {"fail": "caught", "timeout": "caught", "pass": "MISSED",
                       "flaky": "MISSED", "no-build": "ERROR"}[outcome]
            detail = {"fail": f"{len(tests)} failing: " + " ".join(tests),
                      "timeout": "test run overran " + " ".join(tests),
                      "pass": "", "flaky": "failed once only: " + " ".join(tests),
                      "no-build": "mutant does not compile"}[outcome]
            results.append((name, verdict))
            print(f"{name:24} {area:10} {verdict:7} {time.time() - t0:4.0f}s  {what}"
                  + (f"\n    {detail}" if detail else ""), flush=True)
    except Stop as e:
        print(f"\nstopped ({e}); sources restored", file=sys.stderr)
        return 130
    finally:
        restore_all()

    caught = sum(1 for _n, v in results if v == "caught")
    missed = [n for n, v in results if v == "MISSED"]
    errors = [n for n, v in results if v == "ERROR"]
    print(f"\ncaught {caught} of {len(results)}"
          + (f"; missed: {' '.join(missed)}" if missed else "")
          + (f"; not built: {' '.join(errors)}" if errors else "")
          + f" ({(time.time() - started) / 60:.0f} min)")
    # Leave the build folder matching the restored sources.
    build(args.jobs)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
