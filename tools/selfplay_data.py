#!/usr/bin/env python3
"""Training positions from fast self-play, for the tuner: "FEN;result;" lines.

Games are played from tools/data/openings.epd (each opening twice, colours
swapped) at a fixed number of nodes per move, by fastchess when it runs on
this machine (FASTCHESS overrides its path; PGN in coordinate notation) and
otherwise by the UCI runner of tools/ucigames.py. From every finished game up
to --per-game positions are sampled among the quiet ones: not in check, the
move played from it and the move that led to it not captures, at least 8
plies into the game. The FEN of each is taken from the engine's own console
("setboard", the moves, "getboard"). The tuner's texel-first stage filters
what is left of tactics (its noQuiete reason) and the positions with six men
or fewer.

The output is appended game by game; OUT.games counts the games done, so a
run that is stopped (or killed) and started again with the same command goes
on where it stopped.

    tools/selfplay_data.py --games 20000 --out data/selfplay.epd [--nodes 5000]
        [--per-game 12] [--concurrency 1] [--engine PATH] [--openings FILE]
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ucigames  # noqa: E402

MIN_PLY = 8
BATCH = 50  # games per fastchess run


class Converter:
    """The engine in console mode, turning (start FEN, moves) into FENs."""

    def __init__(self, engine, folder):
        ucigames.write_ini(folder, hash_mb=1)
        self.proc = subprocess.Popen([engine], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.send("console")

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def fens(self, start, moves):
        """The FEN before each move and after the last: len(moves) + 1 FENs,
        or None when the engine rejected the start or a move."""
        self.send("setboard " + start)
        self.send("getboard")
        for m in moves:
            self.send(m)
            self.send("getboard")
        out = []
        bad = False
        while len(out) < len(moves) + 1:
            line = self.proc.stdout.readline()
            if not line:
                return None
            if "Illegal move" in line or "Error (bad FEN)" in line:
                bad = True
            if "FEN: " in line:
                out.append(line.split("FEN: ", 1)[1].strip())
        return None if bad else out

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(10)
        except Exception:
            self.proc.kill()


def sample(fens, moves, result, per_game, rng):
    """Quiet positions of one game as training lines."""
    eligible = []
    for i in range(MIN_PLY, len(moves)):
        if ucigames.in_check(fens[i]):
            continue
        if ucigames.is_capture(fens[i], moves[i]) or ucigames.is_capture(fens[i - 1], moves[i - 1]):
            continue
        eligible.append(i)
    rng.shuffle(eligible)
    return ["%s;%s;\n" % (fens[i], result) for i in sorted(eligible[:per_game])]


class Output:
    """The output file and its game counter, shared by the workers."""

    def __init__(self, path, target):
        self.path = path
        self.counter = path + ".games"
        self.lock = threading.Lock()
        self.done = 0
        if os.path.exists(self.counter):
            with open(self.counter) as f:
                self.done = int(f.read().strip() or 0)
        self.next = self.done
        self.target = target
        self.positions = 0
        self.broken = 0

    def take(self):
        """The number of the next game to play, or None when all are taken."""
        with self.lock:
            if self.next >= self.target:
                return None
            self.next += 1
            return self.next - 1

    def add(self, lines):
        with self.lock:
            with open(self.path, "a") as f:
                f.writelines(lines)
            self.done += 1
            self.positions += len(lines)
            with open(self.counter + ".tmp", "w") as f:
                f.write("%d\n" % self.done)
            os.replace(self.counter + ".tmp", self.counter)


def python_worker(args, openings, out, work, number):
    folder = os.path.join(work, "w%d" % number)
    ucigames.write_ini(os.path.join(folder, "a"))
    ucigames.write_ini(os.path.join(folder, "b"))
    engines = [ucigames.Engine(args.engine, os.path.join(folder, n)) for n in "ab"]
    converter = Converter(args.engine, os.path.join(folder, "c"))
    try:
        while True:
            game = out.take()
            if game is None:
                break
            rng = random.Random(args.seed * 1000003 + game)
            fen = openings[(game // 2) % len(openings)] if args.in_order else \
                random.Random(args.seed * 1000003 + game // 2).choice(openings)
            moves, result, reason = ucigames.play_game(engines, game % 2, fen, ("nodes", args.nodes))
            lines = []
            if result is not None:
                fens = converter.fens(fen, moves)
                if fens is not None:
                    lines = sample(fens, moves, result, args.per_game, rng)
            else:
                out.broken += 1
                print("game %d broke off: %s" % (game + 1, reason), flush=True)
                for e in engines:
                    e.quit()
                engines = [ucigames.Engine(args.engine, os.path.join(folder, n)) for n in "ab"]
            out.add(lines)
    finally:
        for e in engines:
            e.quit()
        converter.close()


def fastchess_batches(args, runner, openings_file, out, work):
    folder = os.path.join(work, "fc")
    ucigames.write_ini(folder)
    converter = Converter(args.engine, os.path.join(work, "c"))
    rng = random.Random(args.seed)
    try:
        while out.done < out.target:
            games = min(BATCH, out.target - out.done)
            games += games % 2
            pgn = os.path.join(work, "batch.pgn")
            if os.path.exists(pgn):
                os.remove(pgn)
            cmd = [runner,
                   "-engine", "cmd=%s" % args.engine, "name=A", "dir=%s" % folder,
                   "-engine", "cmd=%s" % args.engine, "name=B", "dir=%s" % folder,
                   "-each", "proto=uci", "nodes=%d" % args.nodes,
                   "-openings", "file=%s" % openings_file, "format=epd", "order=random",
                   "-srand", str(args.seed * 1000003 + out.done),
                   "-rounds", str(games // 2), "-games", "2", "-repeat",
                   "-concurrency", str(args.concurrency),
                   "-pgnout", "file=%s" % pgn, "notation=uci",
                   "-ratinginterval", "0"]
            subprocess.run(cmd, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            games_read = ucigames.read_pgn_games(pgn) if os.path.exists(pgn) else []
            if not games_read:
                sys.exit("fastchess wrote no games; run with FASTCHESS=/nonexistent to use the UCI runner")
            for start, moves, result in games_read:
                lines = []
                if result in ucigames.RESULTS:
                    fens = converter.fens(start, moves)
                    if fens is not None:
                        lines = sample(fens, moves, result, args.per_game, rng)
                out.add(lines)
    finally:
        converter.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--games", type=int, default=20000, help="games in all (a resumed run counts those done)")
    parser.add_argument("--out", required=True)
    parser.add_argument("--nodes", type=int, default=5000, help="nodes per move")
    parser.add_argument("--per-game", type=int, default=12)
    parser.add_argument("--concurrency", type=int, default=1)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--engine", default=ucigames.DEFAULT_ENGINE)
    parser.add_argument("--openings", default=ucigames.DEFAULT_OPENINGS)
    parser.add_argument("--in-order", action="store_true", help="openings in file order instead of drawn at random")
    args = parser.parse_args()
    args.engine = os.path.abspath(args.engine)
    if not os.access(args.engine, os.X_OK):
        sys.exit("no engine at %s (make)" % args.engine)
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    out = Output(args.out, args.games)
    if out.done >= out.target:
        print("%d games already done in %s" % (out.done, args.out))
        return 0
    openings = ucigames.read_openings(args.openings)
    runner = ucigames.fastchess_path()
    start = time.monotonic()
    first = out.done
    with tempfile.TemporaryDirectory() as work:
        if ucigames.fastchess_runs(runner):
            print("games %d..%d by fastchess, %d nodes per move" % (first + 1, args.games, args.nodes), flush=True)
            fastchess_batches(args, runner, os.path.abspath(args.openings), out, work)
        else:
            print("games %d..%d by the UCI runner (fastchess does not run here), %d nodes per move"
                  % (first + 1, args.games, args.nodes), flush=True)
            workers = [threading.Thread(target=python_worker, args=(args, openings, out, work, i))
                       for i in range(args.concurrency)]
            for w in workers:
                w.start()
            for w in workers:
                w.join()
    seconds = time.monotonic() - start
    played = out.done - first
    print("%d games in %.0f s (%.2f s a game, %d broken off), %d positions written, %.0f positions a minute; "
          "%s now holds %d games" % (played, seconds, seconds / max(played, 1), out.broken, out.positions,
                                     out.positions * 60 / max(seconds, 1e-9), args.out, out.done), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
