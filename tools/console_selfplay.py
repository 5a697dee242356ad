#!/usr/bin/env python3
"""Drives the console through a pipe: the engine plays itself with "go" under
"st N" from the start position until a result line appears.

    tools/console_selfplay.py [seconds-per-move] [max-moves]
"""
import os
import subprocess
import sys
import tempfile

RESULTS = ("1-0 {", "0-1 {", "1/2-1/2 {")


def main():
    seconds = sys.argv[1] if len(sys.argv) > 1 else "1"
    max_moves = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    engine = os.path.join(root, "build", "release", "ardentis")
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "Ardentis.ini"), "w") as ini:
            ini.write("[ENGINE]\nThread=1\nHashSize=64\nHashEvalSize=8\nHashQSize=8\n"
                      "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n")
        proc = subprocess.Popen([engine], cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                text=True, bufsize=1)

        def send(line):
            proc.stdin.write(line + "\n")
            proc.stdin.flush()

        send("console")
        send("st " + seconds)
        moves = []
        result = None
        while result is None and len(moves) < max_moves:
            send("go")
            while True:
                line = proc.stdout.readline()
                if not line:
                    print("engine closed its output after %d moves" % len(moves))
                    return 1
                if line.startswith(RESULTS):
                    result = line.strip()
                if "Bestmove:" in line:
                    moves.append(line.split("Bestmove:")[1].split()[0])
                    break
            # a result line comes after the best-move line: read it if it is there
            send("turn")
            while True:
                line = proc.stdout.readline()
                if line.startswith(RESULTS):
                    result = line.strip()
                if "Turn:" in line:
                    break
        send("getboard")
        send("quit")
        out, _ = proc.communicate(timeout=30)
        final = [l for l in out.splitlines() if "FEN:" in l]
        print("moves played: %d" % len(moves))
        print(" ".join(moves))
        print("final position: %s" % (final[-1].split("FEN: ")[1] if final else "?"))
        print("result: %s" % result)
        print("exit status: %d" % proc.returncode)
        return 0 if result and proc.returncode == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
