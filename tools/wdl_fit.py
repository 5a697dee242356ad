#!/usr/bin/env python3
"""Fits the win/draw/loss model of UCI_ShowWDL to games.

    tools/wdl_fit.py PLAYER[,PLAYER...] games.pgn [more.pgn ...]

Reads the score comments that fastchess writes after each move ("{+0.28/12
0.090s}": pawns from the mover's view, then depth and time) of the players
named (White or Black tag) and the game's result from the mover's view, and
fits a and b of

    P(win)  = 1 / (1 + exp(-(cp - a) / b))
    P(loss) = 1 / (1 + exp((cp + a) / b))
    P(draw) = 1 - P(win) - P(loss)

by maximum likelihood (Nelder-Mead). Mate scores and moves without a score
are left out; so are games that ended by time or a fault. Prints the counts,
the fitted constants and a table of predicted against observed outcomes.
Both sides of evenly matched games fit best: a stronger side's scores go
with more wins than the same scores will in other games.
"""
import math
import re
import sys

COMMENT = re.compile(r"\{([+-]?)(M?)(\d+(?:\.\d+)?)/\d+[^}]*\}")
TAG = re.compile(r'^\[(\w+) "(.*)"\]$')


def games(paths):
    for path in paths:
        tags, moves = {}, []
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.rstrip("\n")
                m = TAG.match(line)
                if m:
                    if moves:
                        yield tags, " ".join(moves)
                        tags, moves = {}, []
                    tags[m.group(1)] = m.group(2)
                elif line.strip():
                    moves.append(line)
        if moves:
            yield tags, " ".join(moves)


def samples(players, paths):
    out = []
    for tags, text in games(paths):
        result = tags.get("Result")
        if result not in ("1-0", "0-1", "1/2-1/2"):
            continue
        if tags.get("Termination", "normal") not in ("normal", "adjudication"):
            continue
        if tags.get("White") not in players and tags.get("Black") not in players:
            continue
        white_first = tags.get("FEN", "x w").split()[1] == "w"
        white_score = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}[result]
        for i, m in enumerate(COMMENT.finditer(text)):
            mover_white = (i % 2 == 0) == white_first
            name = tags.get("White") if mover_white else tags.get("Black")
            if name not in players or m.group(2) == "M":
                continue
            cp = float(m.group(3)) * 100.0 * (-1 if m.group(1) == "-" else 1)
            score = white_score if mover_white else 1.0 - white_score
            out.append((cp, score))
    return out


def logistic(x):
    if x < -40:
        return 0.0
    if x > 40:
        return 1.0
    return 1.0 / (1.0 + math.exp(-x))


def probabilities(cp, a, b):
    w = logistic((cp - a) / b)
    l = logistic((-cp - a) / b)
    return w, max(1e-9, 1.0 - w - l), l


def loss(data, a, b):
    if b <= 1 or a <= 0:
        return float("inf")
    total = 0.0
    for cp, s in data:
        w, d, l = probabilities(cp, a, b)
        p = w if s == 1.0 else d if s == 0.5 else l
        total -= math.log(max(p, 1e-12))
    return total / len(data)


def nelder_mead(f, start, step=20.0, iterations=300):
    pts = [list(start), [start[0] + step, start[1]], [start[0], start[1] + step]]
    vals = [f(*p) for p in pts]
    for _ in range(iterations):
        order = sorted(range(3), key=lambda i: vals[i])
        pts, vals = [pts[i] for i in order], [vals[i] for i in order]
        centre = [(pts[0][k] + pts[1][k]) / 2 for k in range(2)]
        refl = [centre[k] + (centre[k] - pts[2][k]) for k in range(2)]
        fr = f(*refl)
        if fr < vals[0]:
            exp = [centre[k] + 2 * (centre[k] - pts[2][k]) for k in range(2)]
            fe = f(*exp)
            pts[2], vals[2] = (exp, fe) if fe < fr else (refl, fr)
        elif fr < vals[1]:
            pts[2], vals[2] = refl, fr
        else:
            con = [centre[k] + 0.5 * (pts[2][k] - centre[k]) for k in range(2)]
            fc = f(*con)
            if fc < vals[2]:
                pts[2], vals[2] = con, fc
            else:
                for i in (1, 2):
                    pts[i] = [pts[0][k] + 0.5 * (pts[i][k] - pts[0][k]) for k in range(2)]
                    vals[i] = f(*pts[i])
    best = min(range(3), key=lambda i: vals[i])
    return pts[best], vals[best]


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    data = samples(set(sys.argv[1].split(",")), sys.argv[2:])
    if len(data) < 100:
        sys.exit(f"only {len(data)} scored moves of {sys.argv[1]}: not enough to fit")
    (a, b), nll = nelder_mead(lambda a, b: loss(data, a, b), (150.0, 80.0))
    print(f"{len(data)} scored moves; a = {a:.1f}, b = {b:.1f}, mean log loss {nll:.4f}")
    print(" score band      moves   win  draw  loss (observed)   win  draw  loss (model)")
    for lo, hi in ((-10000, -300), (-300, -150), (-150, -50), (-50, 50), (50, 150), (150, 300), (300, 10000)):
        band = [(cp, s) for cp, s in data if lo <= cp < hi]
        if not band:
            continue
        n = len(band)
        ow = sum(s == 1.0 for _, s in band) / n
        od = sum(s == 0.5 for _, s in band) / n
        mw = sum(probabilities(cp, a, b)[0] for cp, _ in band) / n
        ml = sum(probabilities(cp, a, b)[2] for cp, _ in band) / n
        print(f"{lo:6d}..{hi:<6d} {n:7d}  {ow:5.2f} {od:5.2f} {1 - ow - od:5.2f}             "
              f"{mw:5.2f} {1 - mw - ml:5.2f} {ml:5.2f}")


if __name__ == "__main__":
    main()
