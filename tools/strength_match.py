#!/usr/bin/env python3
"""Strength comparisons at 10+0.1, one thread (unless said), 16 MB hash, no book, no
tablebases, printing the score and the Elo difference with its 95% interval
for the first engine.

    tools/strength_match.py tuned [--params params/tuned.csv]
        the engine with ParamFile=<params> against the same engine with its
        built-in values
    tools/strength_match.py rootorder [--base-ref REF]
        the engine against the same source (the commit HEAD) built without
        carrying the root move order from one iteration to the next; with
        --base-ref, against the engine of commit REF as it stands
    tools/strength_match.py threads [--games 200 --tc 5+0.05]
        the engine with two search threads against itself with one (both with
        16 MB; play it on an otherwise idle machine with --concurrency 1)

Common options: --games 400 --tc 10+0.1 --concurrency 1 --engine PATH
--openings FILE (default tools/data/openings.epd), --resume (go on with the
match in build/strength/<name>/: its engines, settings and finished games are
kept and only the games not yet in its log are played, so a long match can be
split over several runs; the summary counts all of them). Each opening is played
twice with colours swapped. Games go through fastchess when it runs on this
machine (FASTCHESS overrides its path), otherwise through the UCI runner of
tools/ucigames.py. The games and the log are kept in build/strength/<name>/.
"""
import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ucigames  # noqa: E402


def build_base(ref, folder, defines=()):
    """The engine of commit ref, built in folder with the given preprocessor
    definitions; its path."""
    src = os.path.join(folder, "src")
    shutil.rmtree(src, ignore_errors=True)
    os.makedirs(src)
    archive = subprocess.Popen(["git", "-C", ucigames.ROOT, "archive", ref], stdout=subprocess.PIPE)
    subprocess.run(["tar", "-x", "-C", src], stdin=archive.stdout, check=True)
    if archive.wait() != 0:
        sys.exit("git archive %s failed" % ref)
    build = os.path.join(folder, "build")
    flags = " ".join("-D" + d for d in defines)
    subprocess.run(["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS=" + flags],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2", "--target", "ardentis"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(build, "ardentis")


class Tally:
    def __init__(self):
        self.lock = threading.Lock()
        self.wins = self.draws = self.losses = 0
        self.broken = 0

    def add(self, result, a_white):
        with self.lock:
            if result == "1/2-1/2":
                self.draws += 1
            elif (result == "1-0") == a_white:
                self.wins += 1
            else:
                self.losses += 1


GAME_LINE = re.compile(r"^game (\d+): A (White|Black), (1-0|0-1|1/2-1/2|broken off)")


def finished_games(log_path, tally):
    """The game numbers (from 0) a resumed match's log already holds; their
    results go into tally."""
    done = set()
    if not os.path.exists(log_path):
        return done
    with open(log_path) as f:
        for line in f:
            m = GAME_LINE.match(line)
            if not m or m.group(3) == "broken off":
                continue
            done.add(int(m.group(1)) - 1)
            tally.add(m.group(3), m.group(2) == "White")
    return done


def python_match(args, engines, openings, tally, log, done=frozenset()):
    games = iter([g for g in range(args.games) if g not in done])
    lock = threading.Lock()
    limit = ("tc",) + tuple(float(x) for x in args.tc.split("+"))

    def worker(number):
        pair = [ucigames.Engine(path, folder) for path, folder in engines_for(number)]
        while True:
            with lock:
                game = next(games, None)
            if game is None:
                break
            fen = random.Random(args.seed * 1000003 + game // 2).choice(openings)
            a_white = game % 2 == 0
            moves, result, reason = ucigames.play_game(pair, 0 if a_white else 1, fen, limit)
            line = "game %d: A %s, %s %s (%d plies)" % (game + 1, "White" if a_white else "Black",
                                                        result or "broken off", reason, len(moves))
            with lock:
                print(line, flush=True)
                log.write(line + "\n")
                log.flush()  # a killed run keeps every finished game for --resume
            if result is None:
                tally.broken += 1
                for e in pair:
                    e.quit()
                pair = [ucigames.Engine(path, folder) for path, folder in engines_for(number)]
            else:
                tally.add(result, a_white)
        for e in pair:
            e.quit()

    def engines_for(number):
        out = []
        for path, folder in engines:
            copy = folder + "-%d" % number
            os.makedirs(copy, exist_ok=True)
            shutil.copy(os.path.join(folder, "Ardentis.ini"), copy)
            out.append((path, copy))
        return out

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(args.concurrency)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def fastchess_match(args, runner, engines, out, tally, log):
    pgn = os.path.join(out, "games.pgn")
    cmd = [runner]
    for name, (path, folder) in zip("AB", engines):
        cmd += ["-engine", "cmd=%s" % path, "name=%s" % name, "dir=%s" % folder]
    cmd += ["-each", "proto=uci", "tc=%s" % args.tc,
            "-openings", "file=%s" % os.path.abspath(args.openings), "format=epd", "order=random",
            "-srand", str(args.seed), "-rounds", str(args.games // 2), "-games", "2", "-repeat",
            "-concurrency", str(args.concurrency), "-pgnout", "file=%s" % pgn, "notation=uci",
            "-ratinginterval", "20"]
    proc = subprocess.Popen(cmd, cwd=out, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    for line in proc.stdout:
        print(line, end="", flush=True)
        log.write(line)
    proc.wait()
    if not os.path.exists(pgn):
        sys.exit("fastchess wrote no games")
    # Results by the names in the tags.
    with open(pgn) as f:
        tags = {}
        for line in f:
            if line.startswith("[White "):
                tags["White"] = line.split('"')[1]
            elif line.startswith("[Result "):
                result = line.split('"')[1]
                if result in ucigames.RESULTS:
                    tally.add(result, tags.get("White") == "A")
                else:
                    tally.broken += 1


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("what", choices=("tuned", "rootorder", "threads"))
    parser.add_argument("--games", type=int)
    parser.add_argument("--tc")
    parser.add_argument("--concurrency", type=int, default=1)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--engine", default=ucigames.DEFAULT_ENGINE)
    parser.add_argument("--openings", default=ucigames.DEFAULT_OPENINGS)
    parser.add_argument("--params", default=os.path.join(ucigames.ROOT, "params", "tuned.csv"))
    parser.add_argument("--base-ref")
    parser.add_argument("--resume", action="store_true", help="go on with the match kept in build/strength/<name>/")
    args = parser.parse_args()
    threads = args.what == "threads"
    args.games = args.games or (200 if threads else 400)
    args.tc = args.tc or ("5+0.05" if threads else "10+0.1")
    args.games += args.games % 2
    out = os.path.join(ucigames.ROOT, "build", "strength", args.what)
    log_path = os.path.join(out, "match.log")
    engine = os.path.join(out, "ardentis")
    resume = args.resume and os.path.exists(log_path) and os.access(engine, os.X_OK)
    if resume:
        return resume_match(args, out, log_path, engine)
    # A fresh folder for each match; a baseline build is kept for the next.
    if os.path.isdir(out):
        for name in os.listdir(out):
            if name != "base":
                path = os.path.join(out, name)
                shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    os.makedirs(out, exist_ok=True)
    # The games use a copy, so that rebuilding during a match changes nothing.
    if not os.access(args.engine, os.X_OK):
        sys.exit("no engine at %s (make)" % args.engine)
    shutil.copy(args.engine, engine)
    if args.what == "tuned":
        if not os.path.isfile(args.params):
            sys.exit("no parameter file %s" % args.params)
        # A copy too: the match resumed later plays with the same values.
        params = os.path.join(out, "tuned.csv")
        shutil.copy(args.params, params)
        ucigames.write_ini(os.path.join(out, "a"), param_file=params)
        ucigames.write_ini(os.path.join(out, "b"))
        engines = [(engine, os.path.join(out, "a")), (engine, os.path.join(out, "b"))]
        title = "A = ParamFile %s, B = built-in values" % args.params
    elif threads:
        ucigames.write_ini(os.path.join(out, "a"), threads=2)
        ucigames.write_ini(os.path.join(out, "b"))
        engines = [(engine, os.path.join(out, "a")), (engine, os.path.join(out, "b"))]
        title = "A = two threads, B = one thread"
    else:
        ref = args.base_ref or "HEAD"
        defines = () if args.base_ref else ("ARDENTIS_NO_ROOT_ORDER",)
        base = build_base(ref, os.path.join(out, "base"), defines)
        ucigames.write_ini(os.path.join(out, "a"))
        ucigames.write_ini(os.path.join(out, "b"))
        engines = [(engine, os.path.join(out, "a")), (base, os.path.join(out, "b"))]
        title = "A = %s, B = %s%s (%s)" % (args.engine, ref, " without the root order carried over" if defines else "",
                                             base)
    openings = ucigames.read_openings(args.openings)
    runner = ucigames.fastchess_path()
    tally = Tally()
    with open(os.path.join(out, "engines.json"), "w") as f:
        json.dump({"engines": engines, "tc": args.tc, "seed": args.seed, "openings": os.path.abspath(args.openings)}, f)
    with open(log_path, "w") as log:
        head = "== %s: %d games at %s, %s16 MB, no book, no tablebases; %s" % (
            args.what, args.games, args.tc, "" if threads else "one thread, ", title)
        print(head, flush=True)
        log.write(head + "\n")
        if ucigames.fastchess_runs(runner):
            fastchess_match(args, runner, engines, out, tally, log)
        else:
            print("(fastchess does not run here: the UCI runner plays)", flush=True)
            python_match(args, engines, openings, tally, log)
        summary = "== %s: A %s%s" % (args.what, ucigames.elo_report(tally.wins, tally.draws, tally.losses),
                                      ", %d games broken off (not counted)" % tally.broken if tally.broken else "")
        print(summary, flush=True)
        log.write(summary + "\n")
    return 0 if tally.broken == 0 else 1


def resume_match(args, out, log_path, engine):
    """Plays the games a kept match has not finished, with its engines and
    settings, and prints the summary of all its games."""
    with open(os.path.join(out, "engines.json")) as f:
        kept = json.load(f)
    engines = [tuple(e) for e in kept["engines"]]
    args.tc, args.seed = kept["tc"], kept["seed"]
    openings = ucigames.read_openings(kept["openings"])
    tally = Tally()
    done = finished_games(log_path, tally)
    with open(log_path, "a") as log:
        head = "== %s resumed: %d of %d games finished, playing the rest at %s" % (
            args.what, len(done), args.games, args.tc)
        print(head, flush=True)
        log.write(head + "\n")
        python_match(args, engines, openings, tally, log, done)
        summary = "== %s: A %s%s" % (args.what, ucigames.elo_report(tally.wins, tally.draws, tally.losses),
                                      ", %d games broken off (not counted)" % tally.broken if tally.broken else "")
        print(summary, flush=True)
        log.write(summary + "\n")
    return 0 if tally.broken == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
