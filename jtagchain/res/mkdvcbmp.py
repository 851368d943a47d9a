#!/usr/bin/env python3
"""Writes the device pictures of the scan-chain library (ids 102-115):
35 x 35 pixel, 16-colour bitmaps. Run in this folder after a change."""
import struct

W = H = 35
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GREY, DARK, RED, GREEN, YELLOW, CYAN, WHITE = 0, 7, 8, 9, 10, 11, 14, 15

FONT = {  # 3 x 5 glyphs, rows top down
    'F': ['111', '100', '110', '100', '100'], 'P': ['110', '101', '110', '100', '100'],
    'G': ['011', '100', '101', '101', '011'], 'A': ['010', '101', '111', '101', '101'],
    'C': ['011', '100', '100', '100', '011'], 'L': ['100', '100', '100', '100', '111'],
    'D': ['110', '101', '101', '101', '110'], 'R': ['110', '101', '110', '101', '101'],
    'O': ['010', '101', '101', '101', '010'], 'M': ['101', '111', '111', '101', '101'],
}


def picture(bg, text=None, cross=False, dotted=False):
    px = [[bg] * W for _ in range(H)]
    for i in range(W):  # outline
        for (x, y) in ((i, 0), (i, H - 1), (0, i), (W - 1, i)):
            if not dotted or i % 2 == 0:
                px[y][x] = DARK if not dotted else BLACK
    if cross:
        for i in range(4, W - 4):
            px[i][i] = BLACK
            px[i][W - 1 - i] = BLACK
    if text:
        scale = 2
        width = len(text) * 4 * scale - scale
        x0, y0 = (W - width) // 2, (H - 5 * scale) // 2
        for k, ch in enumerate(text):
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == '1':
                        for dy in range(scale):
                            for dx in range(scale):
                                px[y0 + row * scale + dy][x0 + (k * 4 + col) * scale + dx] = BLACK
    return px


def write_bmp(name, px):
    stride = ((W * 4 + 31) // 32) * 4
    data = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up
        row = bytearray(stride)
        for x in range(W):
            row[x // 2] |= px[y][x] << (4 if x % 2 == 0 else 0)
        data += row
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    off = 14 + 40 + len(pal)
    hdr = struct.pack('<2sIHHI', b'BM', off + len(data), 0, 0, off)
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    with open(name, 'wb') as f:
        f.write(hdr + info + pal + data)


PICTURES = {
    102: picture(GREY, 'CPLD'), 103: picture(CYAN, 'CPLD'), 104: picture(WHITE, 'CPLD'),
    105: picture(WHITE, dotted=True), 106: picture(WHITE, 'FPGA'), 107: picture(GREY, 'FPGA'),
    108: picture(GREEN, 'FPGA'), 109: picture(WHITE, 'ROM'), 110: picture(GREY, 'ROM'),
    111: picture(YELLOW, 'ROM'), 112: picture(GREY, cross=True), 113: picture(WHITE),
    114: picture(GREY), 115: picture(RED),
}
for ident, px in PICTURES.items():
    write_bmp('dvc%d.bmp' % ident, px)
