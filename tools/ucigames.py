"""Shared pieces of the self-play data script and the strength match: UCI
engine-against-engine games (through fastchess when it runs on this machine,
otherwise through the small runner below), games read back from PGN written
in coordinate notation, FEN board checks and the Elo of a W/D/L count.
Standard library only."""
import math
import os
import queue
import re
import subprocess
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_ENGINE = os.path.join(ROOT, "build", "release", "ardentis")
DEFAULT_OPENINGS = os.path.join(ROOT, "tools", "data", "openings.epd")
DEFAULT_FASTCHESS = os.path.join(ROOT, "..", "shared", "tools", "fastchess", "fastchess")
RESULTS = ("1-0", "0-1", "1/2-1/2")


def fastchess_path():
    return os.environ.get("FASTCHESS", DEFAULT_FASTCHESS)


def fastchess_runs(path):
    """True when the runner exists and starts here (a build for another
    processor dies with "Illegal instruction")."""
    if not os.access(path, os.X_OK):
        return False
    try:
        return subprocess.run([path, "-version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=20).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def write_ini(folder, threads=1, hash_mb=16, param_file=None):
    """The engine's settings for games: no book, no tablebases."""
    os.makedirs(folder, exist_ok=True)
    lines = ["[ENGINE]", "Thread=%d" % threads, "HashSize=%d" % hash_mb, "HashEvalSize=8", "HashQSize=8"]
    if param_file:
        lines.append("ParamFile=%s" % os.path.abspath(param_file))
    lines += ["[BOOK]", "Book=0", "[TABLEBASE]", "Syzygy=0", ""]
    with open(os.path.join(folder, "Ardentis.ini"), "w") as f:
        f.write("\n".join(lines))


def read_openings(path):
    with open(path) as f:
        return [" ".join(l.split()[:4]) + " 0 1" for l in f if len(l.split()) >= 4]


# ---------------------------------------------------------------- games


class Engine:
    """A UCI engine started in `folder` (which holds its Ardentis.ini)."""

    def __init__(self, path, folder):
        self.proc = subprocess.Popen([path], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        if self.expect("uciok", 20, send="uci") is None:
            raise RuntimeError("engine %s did not answer uci" % path)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def expect(self, prefix, timeout, send=None):
        """Lines up to and including the first that starts with prefix; None
        when the engine died or the time ran out."""
        try:
            if send:
                self.send(send)
        except OSError:
            return None
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
            self.proc.wait(10)
        except Exception:
            self.proc.kill()
            self.proc.wait()


def play_game(engines, white, fen, limit, max_plies=400):
    """One game from fen; engines[white] has White. limit is ("tc", base s,
    increment s) or ("nodes", n). Returns (moves, result, reason); result is
    one of RESULTS, or None when the game broke off (time loss, illegal move,
    dead engine: reason says which; a time loss is scored as a loss)."""
    clocks = [0.0, 0.0]
    if limit[0] == "tc":
        clocks = [limit[1], limit[1]]
    moves = []
    black_first = fen.split()[1] == "b"
    for e in engines:
        if e.expect("readyok", 30, send="ucinewgame\nisready") is None:
            return moves, None, "engine did not answer"
    for ply in range(max_plies):
        colour = (ply + (1 if black_first else 0)) % 2  # 0 White
        mover = engines[white if colour == 0 else 1 - white]
        mover.send("position fen %s moves %s" % (fen, " ".join(moves)) if moves else "position fen " + fen)
        if limit[0] == "tc":
            go = "go wtime %d btime %d winc %d binc %d" % (clocks[0] * 1000, clocks[1] * 1000,
                                                          limit[2] * 1000, limit[2] * 1000)
            wait = clocks[colour] + 5
        else:
            go = "go nodes %d" % limit[1]
            wait = 60
        start = time.monotonic()
        seen = mover.expect("bestmove", wait, send=go)
        used = time.monotonic() - start
        if seen is None:
            return moves, None, "engine died or hung"
        if any(l.startswith("#DEBUG: BAD FEN|MOVES!") for l in seen):
            return moves, None, "illegal move before ply %d" % ply
        if limit[0] == "tc":
            if used > clocks[colour]:
                return moves, ("0-1" if colour == 0 else "1-0"), "time loss"
            clocks[colour] += limit[2] - used
        words = seen[-1].split()
        best = words[1] if len(words) > 1 else "0000"
        if best == "0000":
            return moves, None, "no move at ply %d" % ply
        moves.append(best)
        # The engine prints the result when its move ended the game.
        after = mover.expect("readyok", 10, send="isready")
        if after is None:
            return moves, None, "engine died"
        for line in after:
            for r in RESULTS:
                if line.startswith(r + " {"):
                    return moves, r, line[len(r):].strip()
    return moves, "1/2-1/2", "{%d plies}" % max_plies


# ---------------------------------------------------------------- PGN


MOVE = re.compile(r"^[a-h][1-8][a-h][1-8][qrbn]?$")
START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def read_pgn_games(path):
    """Games of a PGN file whose moves are in coordinate notation (fastchess
    -pgnout notation=uci): a list of (start FEN, moves, result)."""
    games = []
    tags = {}
    text = []

    def finish():
        if tags or text:
            body = re.sub(r"\{[^}]*\}", " ", " ".join(text))
            body = re.sub(r";[^\n]*", " ", body)
            words = (w.rstrip("+#!?") for w in body.split())
            moves = [w for w in words if MOVE.match(w)]
            games.append((tags.get("FEN", START), moves, tags.get("Result", "*")))

    with open(path, errors="replace") as f:
        for line in f:
            line = line.strip()
            m = re.match(r'^\[(\w+)\s+"(.*)"\]$', line)
            if m:
                if text:
                    finish()
                    tags, text = {}, []
                tags[m.group(1)] = m.group(2)
            elif line:
                text.append(line)
    finish()
    return games


# ---------------------------------------------------------------- boards


def board_of(fen):
    """The piece placement of a FEN as a dict square -> piece letter, squares
    numbered rank * 8 + file (a1 = 0), and the side to move."""
    fields = fen.split()
    board = {}
    for r, row in enumerate(fields[0].split("/")):
        f = 0
        for c in row:
            if c.isdigit():
                f += int(c)
            else:
                board[(7 - r) * 8 + f] = c
                f += 1
    return board, fields[1] if len(fields) > 1 else "w"


def attacked(board, square, by_white):
    """Whether a piece of the given colour attacks square."""
    def own(c, letter):
        return c == (letter.upper() if by_white else letter)

    r0, f0 = divmod(square, 8)
    pawn_rank = r0 - 1 if by_white else r0 + 1
    for df in (-1, 1):
        if 0 <= pawn_rank < 8 and 0 <= f0 + df < 8 and own(board.get(pawn_rank * 8 + f0 + df, ""), "p"):
            return True
    for dr, df in ((1, 2), (2, 1), (-1, 2), (-2, 1), (1, -2), (2, -1), (-1, -2), (-2, -1)):
        r, f = r0 + dr, f0 + df
        if 0 <= r < 8 and 0 <= f < 8 and own(board.get(r * 8 + f, ""), "n"):
            return True
    for dr in (-1, 0, 1):
        for df in (-1, 0, 1):
            if dr == 0 and df == 0:
                continue
            diagonal = dr != 0 and df != 0
            r, f, steps = r0 + dr, f0 + df, 1
            while 0 <= r < 8 and 0 <= f < 8:
                c = board.get(r * 8 + f, "")
                if c:
                    if own(c, "q") or (steps == 1 and own(c, "k")) or own(c, "b" if diagonal else "r"):
                        return True
                    break
                r, f, steps = r + dr, f + df, steps + 1
    return False


def in_check(fen):
    board, side = board_of(fen)
    king = "K" if side == "w" else "k"
    squares = [s for s, c in board.items() if c == king]
    return bool(squares) and attacked(board, squares[0], side != "w")


def is_capture(fen, move):
    """Whether the coordinate move takes a piece in the position (en passant
    included)."""
    board, _ = board_of(fen)
    to = (int(move[3]) - 1) * 8 + ord(move[2]) - ord("a")
    frm = (int(move[1]) - 1) * 8 + ord(move[0]) - ord("a")
    if to in board:
        return True
    return board.get(frm, "").lower() == "p" and move[0] != move[2]


# ---------------------------------------------------------------- Elo


def elo_report(wins, draws, losses):
    """Score, Elo difference and its 95% interval from the first side's
    wins, draws and losses (normal approximation of the score per game)."""
    n = wins + draws + losses
    if n == 0:
        return "no games"
    score = (wins + 0.5 * draws) / n
    text = "games %d: +%d =%d -%d, score %.1f%%" % (n, wins, draws, losses, 100 * score)

    def elo(p):
        return -400 * math.log10(1 / p - 1) + 0.0  # no "-0.0"

    if score <= 0 or score >= 1:
        return text + ", Elo not finite (all games won or lost)"
    var = (wins * (1 - score) ** 2 + draws * (0.5 - score) ** 2 + losses * score ** 2) / n
    margin = 1.959964 * math.sqrt(var / n)
    low, high = max(score - margin, 1e-6), min(score + margin, 1 - 1e-6)
    return text + ", Elo %+.1f (95%% interval %+.1f .. %+.1f)" % (elo(score), elo(low), elo(high))
