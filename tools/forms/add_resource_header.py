#!/usr/bin/env python3
"""Puts a resource header in front of a binary form, as forms kept in resources carry:
0xFF, type 10, the name in capitals ending with a NUL, 16-bit flags, 32-bit size.

usage: add_resource_header.py IN.dfm OUT.dfm"""
import struct
import sys

data = open(sys.argv[1], "rb").read()
assert data.startswith(b"TPF0")
p = 4
if data[p] & 0xF0 == 0xF0:  # the root's prefix byte; a root carries no child position
    p += 1
name = data[p + 1:p + 1 + data[p]].upper()
header = b"\xff\x0a\x00" + name + b"\x00" + struct.pack("<HI", 0x1030, len(data))
open(sys.argv[2], "wb").write(header + data)
