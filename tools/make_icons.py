#!/usr/bin/env python3
"""Writes the module's icons into res/: 32x32 RGB TIFF files (uncompressed, baseline).

Each icon is a rounded purple tile with a simple white glyph drawn from a 8x8 pattern.
Run from the repository root: python3 tools/make_icons.py
"""
import os
import struct

SIZE = 32
PURPLE = (75, 0, 130)
WHITE = (255, 255, 255)

# 8x8 glyphs, scaled up 3x and centred.
GLYPHS = {
    "LightTag.tif": ["...##...", ".#.##.#.", "..####..", "########", "..####..", ".#.##.#.", "...##...", "........"],
    "MaterialHelper.tif": ["..####..", ".#....#.", "#..##..#", "#.####.#", "#.####.#", "#..##..#", ".#....#.", "..####.."],
    "ExitPortal.tif": ["########", "#......#", "#.####.#", "#.#..#.#", "#.#..#.#", "#.####.#", "#......#", "########"],
    "CameraTag.tif": ["........", ".##.....", "######..", "#....###", "#....###", "######..", "........", "........"],
    "Export.tif": ["...#....", "...##...", "#######.", "########", "#######.", "...##...", "...#....", "........"],
    "About.tif": ["...##...", "...##...", "........", "..###...", "...##...", "...##...", "..####..", "........"],
    "ConvertMats.tif": ["##......", "##..#...", "....##..", "#######.", "....##..", "....#.##", "......##", "........"],
    "instance.tif": ["####....", "#..#....", "#..####.", "####..#.", "...#..#.", "...####.", "........", "........"],
    "RenderSettings.tif": ["#.......", "#.......", "#.......", "#......#", "#....##.", "#..##...", "###.....", "########"],
}


def pixels(glyph):
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            corner = min(x, SIZE - 1 - x) + min(y, SIZE - 1 - y) < 3
            if corner:
                row.append((0, 0, 0))
                continue
            gx, gy = (x - 4) // 3, (y - 4) // 3
            on = 0 <= gx < 8 and 0 <= gy < 8 and glyph[gy][gx] == "#"
            row.append(WHITE if on else PURPLE)
        rows.append(row)
    return rows


def tiff_bytes(rows):
    data = bytes(c for row in rows for px in row for c in px)
    entries = [  # tag, type, count, value
        (256, 3, 1, SIZE), (257, 3, 1, SIZE), (258, 3, 3, None), (259, 3, 1, 1), (262, 3, 1, 2),
        (273, 4, 1, None), (277, 3, 1, 3), (278, 3, 1, SIZE), (279, 4, 1, len(data)), (284, 3, 1, 1),
    ]
    ifd_offset = 8
    ifd_size = 2 + 12 * len(entries) + 4
    bits_offset = ifd_offset + ifd_size
    data_offset = bits_offset + 6
    out = bytearray(b"II*\x00" + struct.pack("<I", ifd_offset))
    out += struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        if tag == 258:
            out += struct.pack("<HHII", tag, kind, count, bits_offset)
        elif tag == 273:
            out += struct.pack("<HHII", tag, kind, count, data_offset)
        elif kind == 3:
            out += struct.pack("<HHIHH", tag, kind, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, kind, count, value)
    out += struct.pack("<I", 0)
    out += struct.pack("<HHH", 8, 8, 8)
    out += data
    return bytes(out)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    for name, glyph in GLYPHS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(tiff_bytes(pixels(glyph)))


if __name__ == "__main__":
    main()
