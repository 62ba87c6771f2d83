#!/usr/bin/env python3
"""Reads a binary form into a tree of plain values, written independently of the
converter under test, so that two binary forms can be compared by value: integer widths,
float widths and string kinds do not matter, only what they hold.

usage: formtree.py A.dfm B.dfm   exits 0 when both hold the same object tree."""
import struct
import sys


class Reader:
    def __init__(self, data):
        self.d, self.p = data, 0
        if data[:1] == b"\xff":  # resource header: type, NUL-terminated name, flags, size
            self.p = data.index(b"\0", 3) + 1 + 6
        assert data[self.p:self.p + 4] == b"TPF0", "no signature"
        self.p += 4

    def take(self, n):
        s = self.d[self.p:self.p + n]
        assert len(s) == n, "stream ends early"
        self.p += n
        return s

    def byte(self):
        return self.take(1)[0]

    def peek(self):
        return self.d[self.p]

    def sstr(self):
        return self.take(self.byte()).decode("cp1251", "replace")

    def integer(self, t):
        fmt = {2: "<b", 3: "<h", 4: "<i", 19: "<q"}[t]
        return struct.unpack(fmt, self.take(struct.calcsize(fmt)))[0]

    def value(self):
        t = self.byte()
        if t in (2, 3, 4, 19):
            return self.integer(t)
        if t == 0:
            return ("null",)
        if t == 1:
            items = []
            while self.peek() != 0:
                items.append(self.value())
            self.byte()
            return ("list", items)
        if t == 5:
            raw = self.take(10)
            mant, top = struct.unpack("<QH", raw)
            exp = top & 0x7FFF
            v = mant * 2.0 ** ((exp or 1) - 16383 - 63) if mant else 0.0
            return ("float", -v if top & 0x8000 else v, raw)
        if t in (6, 7):
            s = self.sstr()
            return ("str", s) if t == 6 else ("ident", s)
        if t in (8, 9):
            return ("bool", t == 9)
        if t == 10:
            return ("bin", self.take(struct.unpack("<I", self.take(4))[0]))
        if t == 11:
            names = []
            while True:
                s = self.sstr()
                if not s:
                    return ("set", names)
                names.append(s)
        if t == 12:
            return ("str", self.take(struct.unpack("<I", self.take(4))[0]).decode("cp1251", "replace"))
        if t == 13:
            return ("nil",)
        if t == 14:
            items = []
            while self.peek() != 0:
                index = self.integer(self.byte()) if self.peek() in (2, 3, 4, 19) else None
                if self.peek() == 1:
                    self.byte()
                items.append((index, self.props()))
            self.byte()
            return ("coll", items)
        if t == 15:
            return ("float", struct.unpack("<f", self.take(4))[0])
        if t == 16:
            return ("float", struct.unpack("<q", self.take(8))[0] / 10000)
        if t in (17, 21):
            return ("float", struct.unpack("<d", self.take(8))[0])
        if t == 18:
            n = struct.unpack("<I", self.take(4))[0]
            return ("str", self.take(2 * n).decode("utf-16-le", "surrogatepass"))
        if t == 20:
            return ("str", self.take(struct.unpack("<I", self.take(4))[0]).decode("utf-8", "replace"))
        raise AssertionError("unknown value type %d" % t)

    def props(self):
        out = []
        while True:
            name = self.sstr()
            if not name:
                return out
            out.append((name, self.value()))

    def obj(self):
        flags, pos = 0, None
        if self.peek() & 0xF0 == 0xF0:
            flags = self.byte() & 0x0F
            if flags & 2:
                pos = self.integer(self.byte())
        cls, name = self.sstr(), self.sstr()
        props = self.props()
        children = []
        while self.peek() != 0:
            children.append(self.obj())
        self.byte()
        return (flags, pos, cls, name, props, children)


def close(a, b):
    """Two extended floats must hold the same bits; a float of another width may be read
    back as extended, so it compares at single precision."""
    if isinstance(a, tuple) and isinstance(b, tuple):
        if a[:1] == b[:1] == ("float",):
            if len(a) == len(b) == 3:
                return a[2] == b[2]
            return a[1] == b[1] or abs(a[1] - b[1]) <= 1e-6 * max(abs(a[1]), abs(b[1]))
        return len(a) == len(b) and all(close(x, y) for x, y in zip(a, b))
    if isinstance(a, list) and isinstance(b, list):
        return len(a) == len(b) and all(close(x, y) for x, y in zip(a, b))
    return a == b


if __name__ == "__main__":
    trees = [Reader(open(f, "rb").read()).obj() for f in sys.argv[1:3]]
    sys.exit(0 if close(*trees) else 1)
