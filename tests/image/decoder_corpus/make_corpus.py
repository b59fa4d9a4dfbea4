#!/usr/bin/python3
"""Makes the decoder test corpus from real TIFF files.

Each case draws a picture, saves it uncompressed with PIL, compresses it with PIL or tiffcp
(so the compressed bytes come from a trusted encoder), and writes two files:
  <name>.in   the single strip's compressed bytes
  <name>.out  the bytes the decoder must produce (after undoing the predictor, if any)
The expected bytes are the picture's own pixels in the file's byte order; the script also checks
that tiffcp decompresses the strip to exactly those bytes. corpus.txt lists the cases:
  name codec width height samplesPerPixel bitsPerSample predictor byteOrder
Run with Debian's Python (python3-pil) and libtiff-tools installed:
  /usr/bin/python3 make_corpus.py
It also writes fuzz_seeds/<name>: the same strips with the 3-byte header that
fuzz/decoders_fuzz.cpp expects (decoder selector, then row or strip size, little-endian).
The output is deterministic (fixed seeds), so rerunning it leaves the files unchanged.
"""
import os
import random
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


def strip_bytes(path):
    """The one strip of a TIFF file (asserts there is exactly one)."""
    with Image.open(path) as im:
        offsets = im.tag_v2[273]
        counts = im.tag_v2[279]
    assert len(offsets) == 1, f"{path}: {len(offsets)} strips"
    with open(path, "rb") as f:
        f.seek(offsets[0])
        return f.read(counts[0])


def file_tags(path):
    with Image.open(path) as im:
        return dict(im.tag_v2)


def mixed_row(rng, length, sample_bytes):
    """A row of flat runs (some longer than one PackBits run) and noise."""
    out = bytearray()
    while len(out) < length:
        piece = rng.choice([1, 2, 3, 127, 128, 129, 130, rng.randrange(1, 300)])
        if rng.random() < 0.5:
            value = bytes(rng.randrange(256) for _ in range(sample_bytes))
            out += value * piece
        else:
            out += bytes(rng.randrange(256) for _ in range(piece * sample_bytes))
    return bytes(out[:length])


def bilevel_from_runs(width, rows_of_runs):
    """A mode "1" picture whose rows alternate runs of 0 bits and 1 bits, starting with 0s.

    libtiff's CCITT encoder codes 0 bits as white runs and 1 bits as black runs, whatever the
    photometric tag says (PIL writes mode "1" as min-is-black, bit 1 for a light pixel), so the
    runs given here are the coded runs: white, black, white, ..."""
    im = Image.new("1", (width, len(rows_of_runs)), 0)
    for y, runs in enumerate(rows_of_runs):
        assert sum(runs) == width, (y, sum(runs), width)
        x = 0
        for i, run in enumerate(runs):
            if i % 2 == 1:
                for k in range(run):
                    im.putpixel((x + k, y), 1)
            x += run
    return im


def random_runs(rng, width, choices):
    runs = []
    left = width
    while left > 0:
        run = min(left, rng.choice(choices))
        runs.append(run)
        left -= run
    return runs


def coverage_rows(width):
    """Rows that together use every terminating and make-up code of both colours."""
    lengths = list(range(1, 64)) + [64 * k + (k % 64) for k in range(1, 41)]
    rows = []
    pending = list(lengths) + list(lengths)
    while pending:
        runs, left = [], width
        while pending and pending[0] <= left:
            run = pending.pop(0)
            runs.append(run)
            left -= run
        if left > 0:
            if len(runs) % 2 == 0:  # never two adjacent runs of one colour
                runs.append(left)
            else:
                runs[-1] += left
        rows.append(runs)
    # A row that starts with a black run needs a zero-length white run first.
    rows.append([0, width])
    rows.append([0, 1, width - 1])
    return rows


class Corpus:
    def __init__(self):
        self.tmp = tempfile.mkdtemp(prefix="vl_corpus_")
        self.lines = []

    def run(self, *args):
        subprocess.run(args, check=True)

    def add(self, name, codec, im, src, samples, bits, *, pil=None, tiffcp=None, order="II"):
        """Compresses `im` (pixels `src` in file byte order) and writes the case's files."""
        base = os.path.join(self.tmp, name + "_base.tif")
        packed = os.path.join(self.tmp, name + ".tif")
        ref = os.path.join(self.tmp, name + "_ref.tif")
        order_flag = "-B" if order == "MM" else "-L"
        if pil:
            im.save(packed, compression=pil)
        else:
            im.save(base)
            self.run("tiffcp", "-c", tiffcp, order_flag, "-r", str(im.height), base, packed)
        tags = file_tags(packed)
        predictor = tags.get(317, 1)
        self.run("tiffcp", "-c", "none", order_flag, "-r", str(im.height), packed, ref)
        expected = strip_bytes(ref)
        assert expected == src, f"{name}: tiffcp does not reproduce the picture"
        with open(packed, "rb") as f:
            assert f.read(2) == (b"MM" if order == "MM" else b"II"), name
        with open(os.path.join(HERE, name + ".in"), "wb") as f:
            f.write(strip_bytes(packed))
        with open(os.path.join(HERE, name + ".out"), "wb") as f:
            f.write(expected)
        self.write_seed(name, codec, im.width, samples, bits, len(expected), strip_bytes(packed))
        self.lines.append(
            f"{name} {codec} {im.width} {im.height} {samples} {bits} {predictor} {order}")

    def write_seed(self, name, codec, width, samples, bits, out_size, strip):
        if codec == "packbits":
            header = (0, (width * samples * bits + 7) // 8)
        elif codec == "ccitt":
            header = (1, width)
        else:
            header = (2, min((out_size + 3) // 4, 0xFFFF))
        seeds = os.path.join(HERE, "fuzz_seeds")
        os.makedirs(seeds, exist_ok=True)
        with open(os.path.join(seeds, name), "wb") as f:
            f.write(bytes([header[0], header[1] & 0xFF, header[1] >> 8]) + strip)

    def write_manifest(self):
        with open(os.path.join(HERE, "corpus.txt"), "w") as f:
            f.write("# name codec width height samplesPerPixel bitsPerSample predictor byteOrder\n")
            f.write("\n".join(self.lines) + "\n")


def gray8(rng, width, height):
    data = b"".join(mixed_row(rng, width, 1) for _ in range(height))
    return Image.frombytes("L", (width, height), data), data


def color8(rng, mode, samples, width, height):
    data = b"".join(mixed_row(rng, width * samples, samples) for _ in range(height))
    return Image.frombytes(mode, (width, height), data), data


def gray16(rng, width, height, order):
    values = []
    for y in range(height):
        for x in range(width):
            values.append(rng.randrange(65536) if rng.random() < 0.3 else (x * 997 + y * 31) % 65536)
    little = b"".join(v.to_bytes(2, "little") for v in values)
    big = b"".join(v.to_bytes(2, "big") for v in values)
    return Image.frombytes("I;16", (width, height), little), (big if order == "MM" else little)


def bilevel_random(rng, width, height):
    rows = [random_runs(rng, width, [1, 1, 2, 3, 5, 8, 13, 40, 70]) for _ in range(height)]
    im = bilevel_from_runs(width, rows)
    return im, im.tobytes()


def main():
    rng = random.Random(20240611)
    c = Corpus()

    im, src = gray8(rng, 150, 24)
    c.add("packbits_gray8", "packbits", im, src, 1, 8, tiffcp="packbits")
    im, src = bilevel_random(rng, 203, 20)
    c.add("packbits_bilevel", "packbits", im, src, 1, 1, pil="packbits")
    im, src = color8(rng, "RGB", 3, 70, 16)
    c.add("packbits_rgb", "packbits", im, src, 3, 8, tiffcp="packbits", order="MM")

    # Large enough for several table clears and every code width.
    im, src = gray8(rng, 200, 120)
    c.add("lzw_gray8", "lzw", im, src, 1, 8, tiffcp="lzw")
    im, src = bilevel_random(rng, 203, 30)
    c.add("lzw_bilevel", "lzw", im, src, 1, 1, pil="tiff_lzw")
    im, src = color8(rng, "RGB", 3, 61, 20)
    c.add("lzw_rgb_predictor", "lzw", im, src, 3, 8, tiffcp="lzw:2")
    im, src = color8(rng, "CMYK", 4, 45, 18)
    c.add("lzw_cmyk_predictor", "lzw", im, src, 4, 8, tiffcp="lzw:2", order="MM")
    im, src = gray16(rng, 40, 12, "II")
    c.add("lzw_gray16_predictor_ii", "lzw", im, src, 1, 16, tiffcp="lzw:2")
    im, src = gray16(rng, 40, 12, "MM")
    c.add("lzw_gray16_predictor_mm", "lzw", im, src, 1, 16, tiffcp="lzw:2", order="MM")

    im = bilevel_from_runs(2700, coverage_rows(2700))
    c.add("ccitt_all_codes", "ccitt", im, im.tobytes(), 1, 1, pil="tiff_ccitt")
    # Runs longer than the longest make-up code need several make-up codes in a row.
    wide = 5300
    rows = [[wide], [0, wide], [2600, 2700], [0, 2561, 2739], [2624, 1, 2675], [1, wide - 2, 1]]
    im = bilevel_from_runs(wide, rows)
    c.add("ccitt_long_runs", "ccitt", im, im.tobytes(), 1, 1, pil="tiff_ccitt")
    im, src = bilevel_random(rng, 203, 40)
    c.add("ccitt_odd_width", "ccitt", im, src, 1, 1, pil="tiff_ccitt")

    c.write_manifest()


if __name__ == "__main__":
    main()
