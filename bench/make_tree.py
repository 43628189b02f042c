#!/usr/bin/env python3
"""Generates a synthetic project share of drawings for the search benchmark.

usage: bench/make_tree.py TREE [FILES] [SEED]

Writes FILES drawings (default 20000) of 10-200 KB in nested folders (up to
five levels, 20-60 entries a folder): mostly ASCII DXF with Shift-JIS text,
some DWG-named and JW_CAD-named files of noise, and a few other files. About
one drawing in a hundred holds the word 排煙窓, the benchmark's keyword. The
tree is generated on demand and never committed.
"""
import os
import random
import sys

WORDS = ["平面図", "配置図", "立面図", "断面図", "矩計図", "天井伏図", "建具表", "仕上表",
         "縮尺 1/100", "ガラス", "ｶﾞﾗｽ", "外壁 タイル貼り", "鉄筋コンクリート造", "ＲＣ造",
         "耐火被覆", "設備配管", "給水", "排水", "照明器具", "コンセント", "防火戸",
         "Floor Plan", "Section A-A", "Detail", "Note", "N.T.S."]
KEYWORD = "排煙窓"


def dxf_bytes(rng, size, with_keyword):
    parts = ["  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"]
    length = len(parts[0])
    n = 0
    while length < size:
        n += 1
        if n % 15 == 0:
            text = rng.choice(WORDS) + " " + rng.choice(WORDS)
            entity = ("  0\r\nTEXT\r\n  8\r\n文字\r\n 10\r\n%.4f\r\n 20\r\n%.4f\r\n 40\r\n2.5\r\n"
                      "  1\r\n%s\r\n" % (rng.uniform(0, 1e4), rng.uniform(0, 1e4), text))
        else:
            entity = ("  0\r\nLINE\r\n  8\r\n0\r\n 62\r\n     1\r\n 10\r\n%.6f\r\n 20\r\n%.6f\r\n"
                      " 11\r\n%.6f\r\n 21\r\n%.6f\r\n" % tuple(rng.uniform(0, 1e4) for _ in range(4)))
        parts.append(entity)
        length += len(entity)
    if with_keyword:
        parts.insert(rng.randrange(1, len(parts)),
                     "  0\r\nTEXT\r\n  8\r\n0\r\n  1\r\n%s（２階）\r\n" % KEYWORD)
    parts.append("  0\r\nENDSEC\r\n  0\r\nEOF\r\n")
    return "".join(parts).encode("cp932")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    total = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    folders = [root]
    os.makedirs(root, exist_ok=True)
    hits = 0
    for i in range(total):
        if rng.random() < 0.04 or len(folders) == 1:
            parent = rng.choice(folders)
            if parent.count(os.sep) - root.count(os.sep) < 5:
                folder = os.path.join(parent, "%s_%03d" % (rng.choice(["図面", "dwg", "物件", "old"]), i))
                os.makedirs(folder, exist_ok=True)
                folders.append(folder)
        folder = rng.choice(folders)
        size = rng.randint(10_000, 200_000)
        kind = rng.random()
        if kind < 0.80:
            with_keyword = rng.random() < 0.01
            hits += with_keyword
            name, data = "plan_%05d.dxf" % i, dxf_bytes(rng, size, with_keyword)
        elif kind < 0.90:
            name, data = "PLAN_%05d.DWG" % i, b"AC1015" + rng.randbytes(size)
        elif kind < 0.95:
            name, data = "sheet_%05d.jwc" % i, rng.randbytes(size)
        else:
            name, data = "memo_%05d.txt" % i, b"x" * size
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    print("%d files in %d folders; %d DXF drawings hold %s" % (total, len(folders), hits, KEYWORD))


if __name__ == "__main__":
    main()
