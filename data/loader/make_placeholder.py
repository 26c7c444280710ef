#!/usr/bin/env python3
"""Writes placeholder.ldr, the project's own loader table (layout in transfer/loader_table.h).

Entry 0 is not a program: it is a recognisable stand-in that the virtual handset checks.
  0..3    "CVLD"
  4..15   zero (the PC writes the loader mode, 0x00020004 and the line control word here)
  16..19  image size, 5976, little-endian
  20..23  sum of the bytes 24..5975, 32-bit little-endian
  24..    "Cantavo placeholder loader 1.0", a zero byte, then byte i = (i * 73 + 41) & 0xFF to the end
Entry 1 has size 0 and is all zeros.
"""
import struct
import sys

IMAGE = 5976
body = bytearray(b"Cantavo placeholder loader 1.0\0")
body += bytes((i * 73 + 41) & 0xFF for i in range(IMAGE - 24 - len(body)))
image = b"CVLD" + bytes(12) + struct.pack("<II", IMAGE, sum(body) & 0xFFFFFFFF) + body
assert len(image) == IMAGE
table = struct.pack("<II", IMAGE, 0) + image + bytes(IMAGE)
with open(sys.argv[1] if len(sys.argv) > 1 else "placeholder.ldr", "wb") as out:
    out.write(table)
