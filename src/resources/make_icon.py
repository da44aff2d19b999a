#!/usr/bin/env python3
"""Draws lumen.ico: a page of coloured source lines under a lens, 16x16, in a
16-colour and a 256-colour image. Run it again after changing the drawing."""
import struct

# The picture: one character per pixel, '.' transparent.
PICTURE = [
    "..KKKKKKKKK.....",
    "..KWWWWWWWKK....",
    "..KWBBBWWWKWK...",
    "..KWWWWWWWKKKK..",
    "..KWGGGGWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWRRWBBBBWWK..",
    "..KWWWWWWWWWWK..",
    "..KWBBBBKKKWWK..",
    "..KWWWWKYYYKWK..",
    "..KWGGKYYYYYKK..",
    "..KWWWKYYYYYK...",
    "..KWWWKYYYYYK...",
    "..KKKKKKYYYKKK..",
    "........KKK.KKK.",
    ".............KK.",
]

# Colours of the standard 16-colour palette, so both images agree.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
INDEX = {"K": 0, "W": 15, "B": 4, "G": 2, "R": 1, "Y": 11, ".": 0}


def masks():
    rows = []
    for line in reversed(PICTURE):  # DIBs run bottom-up
        bits = 0
        for x, ch in enumerate(line):
            if ch == ".":
                bits |= 1 << (31 - x)
        rows.append(struct.pack(">I", bits))  # 32-bit aligned rows
    return b"".join(rows)


def image(bits_per_pixel):
    colours = 1 << bits_per_pixel
    palette = VGA + [(0, 0, 0)] * (colours - len(VGA))
    header = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, bits_per_pixel, 0, 0, 0, 0, colours, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b""
    for line in reversed(PICTURE):
        indices = [INDEX[ch] for ch in line]
        if bits_per_pixel == 4:
            pixels += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, 16, 2))
        else:
            pixels += bytes(indices)
    return header + table + pixels + masks()


def main():
    images = [(image(4), 16), (image(8), 0)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data, colour_count in images:
        out += struct.pack("<BBBBHHII", 16, 16, colour_count, 0, 1, 4 if colour_count else 8, len(data), offset)
        offset += len(data)
    out += b"".join(data for data, _ in images)
    with open(__file__.replace("make_icon.py", "lumen.ico"), "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
