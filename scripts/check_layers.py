#!/usr/bin/env python3
"""Checks that the arrows between top-level folders run one way.

Every `#include "folder/..."` in a source file is an arrow from the file's folder to
the named one. A folder may include its own files and those of a lower layer; two
folders of one layer may include each other's files only while no cycle forms.
Prints the arrows, and every arrow that points up or closes a cycle; exits 1 on any.
"""
import pathlib
import re
import sys

LAYERS = [
    ["base"],
    ["lzms", "demo", "gpu", "audio", "record"],
    ["shell"],
    ["tools"],
    ["tests", "bench"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)


def arrows(root):
    found = {}
    for folder in RANK:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".c", ".cpp", ".h") or "build" in path.relative_to(root).parts[:1]:
                continue
            for target in INCLUDE.findall(path.read_text(errors="replace")):
                if target in RANK and target != folder:
                    found.setdefault((folder, target), str(path.relative_to(root)))
    return found


def cycles(edges):
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
    found, state = [], {}

    def visit(node, trail):
        state[node] = 1
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                found.append(trail[trail.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = 2

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    edges = arrows(root)
    bad = 0
    for (a, b), example in sorted(edges.items()):
        up = RANK[b] > RANK[a]
        print(f"{a} -> {b}  ({example}){'  UPWARD' if up else ''}")
        bad += up
    for cycle in cycles(edges):
        print("cycle: " + " -> ".join(cycle))
        bad += 1
    print("layers: " + " | ".join(" ".join(l) for l in reversed(LAYERS)) + ("" if bad else ": ok"))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
