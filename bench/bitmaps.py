"""Bilevel page bitmaps for the benchmark: boolean numpy arrays (True = ink) read from and
written to the netpbm files that Ghostscript renders and the peer tracer reads."""

import numpy as np


def _header(data, count):
    """The first `count` blank-separated header tokens of a netpbm file (comments skipped) and
    the offset just past the single blank that ends the header."""
    tokens, pos = [], 0
    while len(tokens) < count:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while pos < len(data) and data[pos:pos + 1] != b"\n":
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        if start == pos:
            raise ValueError("netpbm header cut short")
        tokens.append(data[start:pos])
    return tokens, pos + 1


def decode_netpbm(data):
    """Ink mask of a binary PBM (P4) or 8-bit PGM (P5, dark below half gray) image."""
    magic = data[:2]
    if magic == b"P4":
        (_, w, h), offset = _header(data, 3)
        width, height = int(w), int(h)
        row_bytes = (width + 7) // 8
        raw = np.frombuffer(data, np.uint8, row_bytes * height, offset)
        bits = np.unpackbits(raw.reshape(height, row_bytes), axis=1)
        return bits[:, :width].astype(bool)
    if magic == b"P5":
        (_, w, h, maxval), offset = _header(data, 4)
        width, height = int(w), int(h)
        if int(maxval) != 255:
            raise ValueError("only 8-bit PGM is read")
        gray = np.frombuffer(data, np.uint8, width * height, offset).reshape(height, width)
        return gray < 128
    raise ValueError("not a binary PBM or PGM file")


def read_netpbm(path):
    with open(path, "rb") as f:
        return decode_netpbm(f.read())


def encode_pbm(ink):
    """A binary PBM of the mask; the padding bits of each row are white."""
    ink = np.asarray(ink, dtype=bool)
    height, width = ink.shape
    packed = np.packbits(ink, axis=1)
    return b"P4\n%d %d\n" % (width, height) + packed.tobytes()


def write_pbm(path, ink):
    with open(path, "wb") as f:
        f.write(encode_pbm(ink))


def gray_to_ink(gray):
    """An 8-bit gray rendering (anti-aliased or not) cut at half gray: darker pixels are ink."""
    return np.asarray(gray) < 128
