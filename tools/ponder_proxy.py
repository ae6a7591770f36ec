#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Puts a UCI engine behind a GUI that ponders, for match managers that cannot.

Usage: ponder_proxy.py ENGINE [ARGS...]   (FAULTS=file counts protocol faults in that file)

After each "bestmove X ponder Y" the proxy sets up the position after X and Y and sends
"go ponder" with the clocks as they stand; when the manager's next position is that one it sends
"ponderhit", otherwise "stop" (the answer of that search is dropped) and then the real search.
A bestmove that comes during pondering before ponderhit or stop is a fault of the engine.
"""
import os
import select
import subprocess
import sys
import time

engine = subprocess.Popen(sys.argv[1:], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
state = "idle"  # idle, search (a real search), ponder, drain (a stopped ponder search)
last_pos, last_go, ponder_pos, held_pos, queued, go_sent = "", "", "", "", [], 0.0


def to_engine(line):
    engine.stdin.write((line + "\n").encode())


def to_manager(line):
    os.write(1, (line + "\n").encode())


def fault(text):
    sys.stderr.write("ponder_proxy: " + text + "\n")
    if os.environ.get("FAULTS"):
        with open(os.environ["FAULTS"], "a") as f:
            f.write(text + "\n")


def white_to_move(pos):
    words = pos.split()
    moves = len(words) - words.index("moves") - 1 if "moves" in words else 0
    white = "fen" not in words or words[words.index("fen") + 2] == "w"
    return white == (moves % 2 == 0)


def ponder_go(used_ms):
    """The go ponder line: the clocks of the last go, ours less the time used plus the increment."""
    words, own = last_go.split()[1:], "wtime" if white_to_move(last_pos) else "btime"
    value = dict(zip(words[::2], words[1::2]))
    if own in value:
        inc = int(value.get(own[0] + "inc", 0))
        value[own] = str(max(1, int(value[own]) - used_ms + inc))
    return "go ponder " + " ".join(k + " " + v for k, v in value.items())


def from_manager(line):
    global state, last_pos, last_go, held_pos, go_sent
    if state == "drain":
        queued.append(line)
    elif state == "ponder" and line.startswith("position"):
        held_pos = line
    elif state == "ponder" and line.startswith("go") and held_pos == ponder_pos:
        last_pos, last_go, state, go_sent = held_pos, line, "search", time.time()
        to_engine("ponderhit")
    elif state == "ponder" and line not in ("isready", "quit"):
        to_engine("stop")
        state = "drain"
        queued.extend([held_pos, line] if line.startswith("go") else [line])
    else:
        if line.startswith("position"):
            last_pos = line
        if line.startswith("go"):
            last_go, state, go_sent = line, "search", time.time()
        to_engine(line)


def from_engine(line):
    global state, ponder_pos, held_pos
    words = line.split()
    if state == "ponder" and words[:1] == ["bestmove"]:
        fault("bestmove during ponder: " + line)
        state = "idle"
    elif state == "ponder" and not line.startswith("readyok"):
        pass  # the thoughts of a ponder search are not the manager's business
    elif state == "drain" and words[:1] == ["bestmove"]:
        state = "idle"
        while queued and state != "drain":
            from_manager(queued.pop(0))
    elif state == "drain" and not line.startswith("readyok"):
        pass
    else:
        to_manager(line)
        if state == "search" and words[:1] == ["bestmove"]:
            state = "idle"
            if len(words) == 4 and "infinite" not in last_go:
                ponder_pos = last_pos + (" " if " moves " in last_pos else " moves ") + " ".join(
                    [words[1], words[3]])
                held_pos, state = "", "ponder"
                to_engine(ponder_pos)
                to_engine(ponder_go(int((time.time() - go_sent) * 1000)))


buffers = {0: b"", engine.stdout.fileno(): b""}
while True:
    for fd in select.select(list(buffers), [], [])[0]:
        data = os.read(fd, 65536)
        if not data:
            if fd == 0:
                to_engine("quit")
            engine.wait()
            sys.exit(0)
        buffers[fd] += data
        while b"\n" in buffers[fd]:
            line, buffers[fd] = buffers[fd].split(b"\n", 1)
            (from_manager if fd == 0 else from_engine)(line.decode(errors="replace").rstrip("\r"))
