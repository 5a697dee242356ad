#!/usr/bin/env python3
"""Engine-against-itself games over UCI, for machines where fastchess cannot
run. Both engines start with a small Ardentis.ini; threads and hash are set
only through setoption. Every move is timed on the runner's clock (time loss
when a move takes longer than the clock left), checked by the opponent's move
validation (it rejects an illegal move in its "position" command with
"#DEBUG: BAD FEN|MOVES!") and a missing or 0000 bestmove, and a dead engine or
a move that does not come 5 s after the clock ran out counts as a disconnect.
Games end on the engines' own result lines, or as draws after 400 plies.

    tools/uci_selfplay.py [--games 100] [--tc 5+0.05] [--threads 2] [--hash 64]
"""
import argparse
import os
import queue
import random
import subprocess
import sys
import tempfile
import threading
import time

RESULTS = ("1-0 {", "0-1 {", "1/2-1/2 {")
INI = "[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=8\nHashQSize=8\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n"


class Engine:
    def __init__(self, path, folder, threads, hash_mb):
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Ardentis.ini"), "w") as ini:
            ini.write(INI)
        self.proc = subprocess.Popen([path], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.send("uci")
        self.expect("uciok", 10)
        self.send("setoption name Threads value %d" % threads)
        self.send("setoption name Hash value %d" % hash_mb)
        seen = self.expect("readyok", 30, send="isready")
        text = "\n".join(seen)
        assert ("Allocated %5i MB for the Hash Table" % hash_mb) in text, text
        assert ("for the HashQ Table for Thread %d" % threads) in text, text

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def expect(self, prefix, timeout, send=None):
        """Lines up to and including the first that starts with prefix;
        None when the engine died or the time ran out."""
        if send:
            self.send(send)
        seen = []
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                return None
            if line is None:
                return None
            seen.append(line)
            if line.startswith(prefix):
                return seen

    def quit(self):
        try:
            self.send("quit")
            return self.proc.wait(10)
        except Exception:
            self.proc.kill()
            return -1


def play(engines, white, fen, base, inc, tally):
    """One game; engines[white] has White. Returns the result text."""
    clocks = [base, base]  # seconds, by colour (0 White)
    moves = []
    black_first = fen.split()[1] == "b"
    for e in engines:
        if e.expect("readyok", 30, send="ucinewgame\nisready") is None:
            tally["disconnects"] += 1
            return "disconnect"
    for ply in range(400):
        colour = (ply + (1 if black_first else 0)) % 2
        mover = engines[white if colour == 0 else 1 - white]
        mover.send("position fen %s moves %s" % (fen, " ".join(moves)) if moves else "position fen " + fen)
        go = "go wtime %d btime %d winc %d binc %d" % (clocks[0] * 1000, clocks[1] * 1000, inc * 1000, inc * 1000)
        start = time.monotonic()
        seen = mover.expect("bestmove", clocks[colour] + 5, send=go)
        used = time.monotonic() - start
        if seen is None:
            tally["disconnects"] += 1
            return "disconnect"
        if any(l.startswith("#DEBUG: BAD FEN|MOVES!") for l in seen):
            tally["illegal"] += 1
            return "illegal move before ply %d" % ply
        if used > clocks[colour]:
            tally["time losses"] += 1
            return "time loss (%.3f s used, %.3f s left)" % (used, clocks[colour])
        clocks[colour] += inc - used
        best = seen[-1].split()[1] if len(seen[-1].split()) > 1 else "0000"
        if best == "0000":
            tally["illegal"] += 1
            return "no move at ply %d" % ply
        moves.append(best)
        after = mover.expect("readyok", 10, send="isready")
        if after is None:
            tally["disconnects"] += 1
            return "disconnect"
        for line in after:
            if line.startswith(RESULTS):
                return line
    return "1/2-1/2 {400 plies}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--games", type=int, default=100)
    parser.add_argument("--tc", default="5+0.05")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--hash", type=int, default=64)
    parser.add_argument("--engine")
    parser.add_argument("--openings")
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    engine = args.engine or os.path.join(root, "build", "release", "ardentis")
    openings = args.openings or os.path.join(root, "..", "shared", "data", "openings.epd")
    base, inc = (float(x) for x in args.tc.split("+"))
    with open(openings) as f:
        fens = [" ".join(l.split()[:4]) + " 0 1" for l in f if l.strip()]
    random.seed(1)
    tally = {"time losses": 0, "illegal": 0, "disconnects": 0}
    results = {"1-0": 0, "0-1": 0, "1/2-1/2": 0, "other": 0}
    with tempfile.TemporaryDirectory() as work:
        engines = [Engine(engine, os.path.join(work, n), args.threads, args.hash) for n in "AB"]
        fen = None
        for game in range(args.games):
            if game % 2 == 0:
                fen = random.choice(fens)
            result = play(engines, game % 2, fen, base, inc, tally)
            key = result.split()[0] if result.split()[0] in results else "other"
            results[key] += 1
            print("game %3d: %s" % (game + 1, result), flush=True)
            if key == "other":
                for e in engines:
                    e.quit()
                engines = [Engine(engine, os.path.join(work, n), args.threads, args.hash) for n in "AB"]
        status = [e.quit() for e in engines]
    print("Finished %d games at %s, Threads=%d Hash=%d via setoption: 1-0 %d, 0-1 %d, draws %d, other %d; "
          "time losses %d, illegal moves %d, disconnects %d; exit status %s"
          % (args.games, args.tc, args.threads, args.hash, results["1-0"], results["0-1"], results["1/2-1/2"],
             results["other"], tally["time losses"], tally["illegal"], tally["disconnects"], status))
    return 0 if not any(tally.values()) else 1


if __name__ == "__main__":
    sys.exit(main())
