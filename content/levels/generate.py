#!/usr/bin/env python3
"""Drafts the level designs of content/levels/{classic,extended}/levelN.txt.

Run once to write the first drafts; the .txt files are the source of truth
afterwards and are tuned by hand. Deterministic: the same script writes the
same files. Levels that already carry a "// tuned" line are left alone, so
re-running never overwrites hand work.

    python3 content/levels/generate.py

Each design is built from motifs (pillars, fortress rings, mazes, rivers,
checkers, forests, bunkers...) mirrored left to right, with difficulty rising
from level 1 to 35: fewer bricks round the base, more concrete that only
upgraded shells wear down, more water that splits the field, more bushes
that hide enemies. Every design is checked to keep the spawn cells, the base
and its wall free and to let every spawn reach the base.
"""
import os
import random

N = 13
FREE = {(0, 0), (0, 6), (0, 12), (12, 4), (12, 8), (12, 6), (11, 5), (11, 6), (11, 7), (12, 5), (12, 7)}
# Cells kept clear of walls so tanks can leave their spawn at once.
APRON = {(1, 0), (1, 6), (1, 12), (11, 4), (11, 8), (0, 1), (0, 5), (0, 7), (0, 11)}
SPAWNS = [(0, 0), (0, 6), (0, 12), (12, 4), (12, 8)]
BASE = (12, 6)
WALLS = "@~KLMN"
HERE = os.path.dirname(os.path.abspath(__file__))


def blank():
    return [["."] * N for _ in range(N)]


def put(g, r, c, ch, mirror=True):
    if 0 <= r < N and 0 <= c < N:
        g[r][c] = ch
        if mirror:
            g[r][N - 1 - c] = ch


def rect(g, r0, c0, r1, c1, ch, mirror=True):
    for r in range(r0, r1 + 1):
        for c in range(c0, c1 + 1):
            put(g, r, c, ch, mirror)


def reachable(g):
    """Cell-level flood from the base over everything but concrete and water."""
    seen = {BASE}
    todo = [BASE]
    while todo:
        r, c = todo.pop()
        for dr, dc in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nr, nc = r + dr, c + dc
            if 0 <= nr < N and 0 <= nc < N and (nr, nc) not in seen and g[nr][nc] not in WALLS:
                seen.add((nr, nc))
                todo.append((nr, nc))
    return seen


def repair(g, rng):
    """Clears the reserved cells and opens walls until every spawn reaches the base."""
    for r, c in FREE:
        g[r][c] = "."
    for r, c in APRON:
        if g[r][c] in WALLS:
            g[r][c] = "#"
    for _ in range(200):
        seen = reachable(g)
        lost = [s for s in SPAWNS if s not in seen]
        if not lost:
            return
        # Turn the wall nearest the stranded spawn that borders the reached area into brick.
        sr, sc = lost[0]
        best = None
        for r in range(N):
            for c in range(N):
                if g[r][c] in WALLS and any((r + dr, c + dc) in seen for dr, dc in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                    d = abs(r - sr) + abs(c - sc)
                    if best is None or d < best[0]:
                        best = (d, r, c)
        _, r, c = best
        g[r][c] = "#"
        if g[r][N - 1 - c] in WALLS:
            g[r][N - 1 - c] = "#"


def base_guard(g, d, rng):
    """Extra bricks around the base wall early on; thinner later."""
    ring = [(10, 4), (10, 5), (10, 6), (11, 3), (12, 3)]  # left half; mirrored
    keep = 1.0 - d * 0.9
    for r, c in ring:
        if rng.random() < keep:
            put(g, r, c, "#")


# ---- motifs (each fills the grid, mirrored left to right) ----

def m_pillars(g, d, rng):
    gap = rng.choice([4, 5, 6])
    cols = rng.choice([(1, 3, 5), (2, 4), (1, 2, 4, 5), (1, 4)])
    top, bottom = rng.choice([(1, 9), (2, 9), (1, 8)])
    for c in cols:
        for r in range(top, bottom + 1):
            if r in (gap, gap + 1) and c != 5:
                continue
            put(g, r, c, "#")
    if d > 0.3:
        for c in (1, 3):
            put(g, gap - 1, c, "@")
    put(g, gap, 6, "@" if d > 0.5 else "#")


def m_rings(g, d, rng):
    rect(g, 2, 2, 2, 5, "#")
    rect(g, 2, 2, 8, 2, "#")
    rect(g, 8, 2, 8, 4, "#")
    rect(g, 4, 4, 6, 4, "#")
    rect(g, 4, 4, 4, 5, "#")
    put(g, 6, 6, "@" if d > 0.2 else "#")
    put(g, 5, 6, "%")
    for r, c in ((2, 2), (8, 2)):
        if d > 0.35:
            put(g, r, c, "@")
    if d > 0.6:
        put(g, 4, 4, "@")


def m_maze(g, d, rng):
    # A mirrored recursive-backtracker maze on the 7 x 7 odd cells of the left half.
    cells = [(r, c) for r in range(1, 10, 2) for c in range(1, 7, 2)]
    for r in range(0, 11):
        for c in range(0, 7):
            if (r % 2 == 0 or c % 2 == 0) and r > 0:
                put(g, r, c, "#")
    start = (5, 5)
    stack, seen = [start], {start}
    while stack:
        r, c = stack[-1]
        nbrs = [(r + dr, c + dc) for dr, dc in ((2, 0), (-2, 0), (0, 2), (0, -2))
                if (r + dr, c + dc) in cells and (r + dr, c + dc) not in seen]
        if not nbrs:
            stack.pop()
            continue
        nr, nc = rng.choice(nbrs)
        put(g, (r + nr) // 2, (c + nc) // 2, ".")
        seen.add((nr, nc))
        stack.append((nr, nc))
    # Knock extra holes so the maze plays as a battlefield, not a puzzle.
    for _ in range(int(10 - 6 * d)):
        put(g, rng.randrange(1, 11), rng.randrange(0, 7), ".")
    for _ in range(int(2 + 6 * d)):
        r, c = rng.randrange(2, 10), rng.randrange(0, 7)
        if g[r][c] == "#":
            put(g, r, c, "@")


def m_river(g, d, rng):
    row = rng.choice([5, 6])
    bridges = {2, 6} if d < 0.5 else {rng.choice([1, 2, 3]), 6} if d < 0.8 else {rng.choice([2, 4])}
    for c in range(0, 7):
        if c not in bridges:
            put(g, row, c, "~")
    for c in bridges:
        put(g, row - 1, c - 1, "#")
        put(g, row + 1, c - 1, "#")
    rect(g, 2, 1, 3, 2, "#")
    rect(g, 8, 2, 9, 3, "#")
    put(g, 2, 4, "%")
    put(g, 8, 5, "%")
    if d > 0.4:
        put(g, row - 2, 3, "@")
    if d > 0.7:
        put(g, row + 2, 1, "@")


def m_checker(g, d, rng):
    for r in range(2, 10):
        for c in range(0, 6):
            if (r + c) % 2 == 0:
                put(g, r, c, "@" if rng.random() < 0.1 + 0.35 * d and (r, c) not in APRON else "#")
    rect(g, 5, 6, 6, 6, "#", mirror=False)


def m_forest(g, d, rng):
    for _ in range(int(6 + 10 * d)):
        r, c = rng.randrange(1, 10), rng.randrange(0, 6)
        rect(g, r, c, min(r + 1, 9), c, "%")
    for r, c in ((3, 2), (3, 3), (7, 1), (7, 2), (5, 5), (9, 4)):
        put(g, r, c, "#")
    if d > 0.3:
        put(g, 5, 2, "@")
        put(g, 5, 6, "@")


def m_bunkers(g, d, rng):
    for r0, c0 in ((2, 1), (2, 4), (6, 1), (6, 4)):
        rect(g, r0, c0, r0 + 1, c0 + 1, "#")
        put(g, r0, c0, "@" if d > 0.25 else "#")
        if d > 0.6:
            put(g, r0 + 1, c0 + 1, "@")
    rect(g, 4, 6, 4, 6, "%")
    rect(g, 9, 1, 9, 2, "#")


def m_cross(g, d, rng):
    for r in range(2, 10):
        put(g, r, 6, "#", mirror=False)
    for c in range(1, 12):
        put(g, 5, c, "#", mirror=False)
    put(g, 5, 6, "@")
    for c in (3, 9):
        put(g, 5, c, "@" if d > 0.3 else "#", mirror=False)
    for r, c in ((2, 2), (8, 2), (2, 3), (8, 3)):
        put(g, r, c, "#")
    put(g, 7, 4, "%")
    put(g, 3, 4, "%")


def m_vees(g, d, rng):
    for k in range(5):
        put(g, 2 + k, 1 + k, "#")
        put(g, 5 + k, 1 + k, "#")
    put(g, 4, 3, "@" if d > 0.25 else "#")
    put(g, 7, 3, "@" if d > 0.45 else "#")
    put(g, 2, 5, "%")
    put(g, 9, 0, "#")
    put(g, 9, 1, "#")


def m_lanes(g, d, rng):
    # Long horizontal walls with staggered gaps: enemies wind down slowly.
    for r, gapc in ((2, 2), (4, 5), (6, 1), (8, 4)):
        for c in range(0, 7):
            if abs(c - gapc) > 0:
                put(g, r, c, "#")
        if d > 0.3:
            put(g, r, (gapc + 3) % 6, "@")
    put(g, 3, 6, "%")
    put(g, 7, 6, "%")


def m_islands(g, d, rng):
    for _ in range(6):
        r, c = rng.randrange(2, 9), rng.randrange(0, 5)
        rect(g, r, c, r + 1, c + 1, "#")
        if rng.random() < 0.2 + 0.5 * d:
            put(g, r, c, "@")
        if rng.random() < 0.4:
            put(g, r + 1, c + 1, "%")
    for _ in range(int(4 * d)):
        put(g, rng.randrange(2, 9), rng.randrange(0, 6), "~")


def m_canal(g, d, rng):
    # Two vertical water channels: the field splits into three lanes.
    for r in range(2, 10):
        if r not in (4, 7):
            put(g, r, 3, "~")
    rect(g, 3, 5, 4, 5, "#")
    rect(g, 7, 5, 8, 5, "#")
    rect(g, 2, 0, 2, 1, "#")
    rect(g, 6, 0, 6, 1, "%")
    if d > 0.5:
        put(g, 5, 5, "@")
    put(g, 9, 1, "#")


def m_diamond(g, d, rng):
    cr, cc, rad = 5, 6, 4
    for r in range(N):
        for c in range(N):
            if abs(r - cr) + abs(c - cc) == rad:
                g[r][c] = "#"
    for r, c in ((cr - rad, cc), (cr + rad, cc), (cr, cc - rad), (cr, cc + rad)):
        g[r][c] = "@" if d > 0.3 else "#"
    rect(g, 4, 5, 6, 5, "%")
    g[5][6] = "@" if d > 0.5 else "%"
    for r, c in ((2, 1), (8, 1), (2, 2)):
        put(g, r, c, "#")


def m_keep(g, d, rng):
    rect(g, 3, 3, 3, 5, "#")
    rect(g, 3, 3, 7, 3, "#")
    rect(g, 7, 3, 7, 5, "#")
    put(g, 5, 3, ".")          # side gates
    put(g, 3, 6, ".")
    put(g, 7, 6, "#")
    for r, c in ((3, 3), (7, 3)):
        put(g, r, c, "@" if d > 0.2 else "#")
    put(g, 5, 6, "@" if d > 0.45 else "%")
    rect(g, 4, 5, 6, 5, "%")
    rect(g, 1, 1, 1, 2, "#")
    rect(g, 9, 1, 9, 2, "#")


def m_zigzag(g, d, rng):
    for base_row in (2, 6):
        for c in range(0, 7):
            r = base_row + (c % 4 if c % 4 < 2 else 3 - c % 4)
            put(g, r, c, "#")
            if d > 0.4 and c in (1, 5):
                put(g, r, c, "@")
    put(g, 9, 2, "%")
    put(g, 9, 3, "%")


def m_ports(g, d, rng):
    for r in (3, 7):
        for c in range(0, 7):
            put(g, r, c, "@" if (c % 3 == 0 and d > 0.35) else "#")
        put(g, r, rng.choice([1, 2, 4]), ".")
    rect(g, 5, 1, 5, 2, "%")
    put(g, 5, 5, "#")
    put(g, 9, 2, "#")


def m_traps(g, d, rng):
    # A field of single water blocks: shells fly over them, tanks weave between.
    for r in range(2, 10):
        for c in range(0, 7):
            if (r % 2 == 0 and c % 3 == 1) or (r % 2 == 1 and c % 3 == 2 and r % 4 == 1):
                put(g, r, c, "~")
    for r in (3, 7):
        rect(g, r, 4, r, 5, "#")
    put(g, 5, 0, "#")
    put(g, 5, 6, "%")


MOTIFS = [m_pillars, m_rings, m_maze, m_river, m_checker, m_forest, m_bunkers, m_cross, m_vees, m_lanes,
          m_islands, m_canal, m_diamond, m_keep, m_zigzag, m_ports, m_traps]

# Classic order: gentle motifs first, splitting and walled ones later.
CLASSIC_ORDER = [m_pillars, m_bunkers, m_vees, m_diamond, m_rings, m_lanes, m_forest, m_zigzag, m_cross,
                 m_keep, m_checker, m_river, m_ports, m_islands, m_traps, m_maze, m_canal]


def scatter(g, d, rng, extended):
    """Sprinkles extra concrete, water and bushes by difficulty."""
    n_con = int((1 + 5 * d) * (1.5 if extended else 1))
    for _ in range(n_con):
        r, c = rng.randrange(1, 10), rng.randrange(0, 6)
        if g[r][c] == ".":
            put(g, r, c, "@")
    for _ in range(int(3 * d + (2 if extended else 0))):
        r, c = rng.randrange(2, 10), rng.randrange(0, 6)
        if g[r][c] == ".":
            put(g, r, c, "%")


def half_bricks(g, d, rng):
    """Extended: some full bricks become half bricks, thinner cover."""
    for r in range(1, 11):
        for c in range(0, 7):
            if g[r][c] == "#" and rng.random() < 0.25 + 0.2 * d:
                ch = rng.choice("^_[]")
                g[r][c] = ch
                mirror = {"[": "]", "]": "["}.get(ch, ch)
                if g[r][N - 1 - c] == "#":
                    g[r][N - 1 - c] = mirror


def extras_for(g, d, rng):
    """Extended: items at half-cell offsets, off the grid, in mirrored pairs."""
    out = []
    tries = 0
    while len(out) < 2 * int(2 + 4 * d) and tries < 200:
        tries += 1
        r, c = rng.randrange(1, 10), rng.randrange(0, 5)
        # An item centred on the corner between four empty cells.
        quad = [(r, c), (r + 1, c), (r, c + 1), (r + 1, c + 1)]
        if c + 1 >= 6:
            continue  # keep the mirrored pair apart
        if any(g[a][b] != "." or g[a][N - 1 - b] != "." for a, b in quad):
            continue
        x = -60 + 10 * c + 5
        z = 60 - 10 * r - 5
        ch = rng.choice("##%^_" + ("@" if d > 0.4 else "#"))
        for a, b in quad:
            g[a][b] = "+"  # taken, so no second extra lands there
            g[a][N - 1 - b] = "+"
        out.append((x, z, ch))
        out.append((-x, z, ch))
    for r in range(N):
        for c in range(N):
            if g[r][c] == "+":
                g[r][c] = "."
    return out


def extras_reach_ok(g, extras):
    """Extras may carry concrete: mark the four cells under one as walls and re-check."""
    h = [row[:] for row in g]
    for x, z, ch in extras:
        if ch in WALLS:
            c = int((x + 55) // 10)
            r = int((55 - z) // 10)
            for a, b in ((r, c), (r + 1, c), (r, c + 1), (r + 1, c + 1)):
                h[a][b] = "@"
    seen = reachable(h)
    return all(s in seen for s in SPAWNS) and all(h[a][b] not in WALLS for a, b in FREE)


def design(set_name, n):
    extended = set_name == "extended"
    rng = random.Random(f"{set_name}-{n}")
    d = (n - 1) / 34.0
    if extended:
        d = min(1.0, 0.15 + 0.85 * d)
    g = blank()
    order = MOTIFS if extended else CLASSIC_ORDER
    motif = order[(n - 1) % len(order)]
    motif(g, d, rng)
    if extended:
        # Denser mixes: a second motif over the empty cells of the first.
        second = blank()
        order[(n * 5 + 3) % len(order)](second, d, rng)
        for r in range(1, 10):
            for c in range(N):
                if g[r][c] == "." and second[r][c] != ".":
                    g[r][c] = second[r][c]
    scatter(g, d, rng, extended)
    base_guard(g, d, rng)
    if extended:
        half_bricks(g, d, rng)
    repair(g, rng)
    extras = []
    if extended:
        extras = extras_for(g, d, rng)
        if not extras_reach_ok(g, extras):
            extras = [e for e in extras if e[2] not in WALLS]
    return g, extras, motif.__name__[2:], d


def write(set_name, n):
    path = os.path.join(HERE, set_name, f"level{n}.txt")
    if os.path.exists(path):
        with open(path) as f:
            if "// tuned" in f.read():
                return
    g, extras, motif, d = design(set_name, n)
    lines = [f"// Ironfold {set_name} level {n}: {motif}, difficulty {d:.2f}",
             "// Legend in content/levels/README.md: . empty  # brick  @ concrete  ~ water  % bush",
             "//   ^ _ [ ] upper/lower/left/right half brick; extra entries: + X Z TYPE"]
    lines += ["".join(row) for row in g]
    for x, z, ch in extras:
        lines.append(f"+ {x:g} {z:g} {ch}")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    for set_name in ("classic", "extended"):
        for n in range(1, 36):
            write(set_name, n)


if __name__ == "__main__":
    main()
