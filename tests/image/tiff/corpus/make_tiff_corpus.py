#!/usr/bin/python3
"""Makes the TIFF reader's test corpus with real tools.

Each source picture is drawn here and saved as a plain PNM/PAM file (src_*.p?m); the tools are
given those pixels and write TIFF files in many encodings and layouts:
  tiffcp (libtiff-tools)  -c none / lzw / lzw:2 / packbits, -t tiles, -p separate, -r rows
                          per strip, -B big-endian
  PIL (python3-pil)       CCITT modified Huffman (compression 2), 16-bit gray, palette,
                          RGBA (an extra sample), white-is-zero gray, refused encodings
  ImageMagick (convert)   CMYK, 2- and 4-bit gray, 4-bit palette, 1-bit RGB planes,
                          white-is-zero bilevel, a DOS EPS file with a TIFF preview
corpus.txt lists the files the reader must read:  file source mode transform
  mode       Bitmap, Gray, RGB or CMYK: the image mode the reader must report
  transform  how the source's samples become 8-bit samples: none; top4 / top2 (the sample
             the tool stored, shifted to the top of the byte); msb16 (the high byte)
refused.txt lists real files the reader must refuse:  file message
  message    unimplemented ("Unimplemented TIFF encoding.")
Every file is also read back with PIL and checked against its source, so a tool that changed
the pixels would be caught here rather than blamed on the reader.
It also fills ../fuzz_seeds: some of these files and a few hand-made layouts.
Run with Debian's Python:  /usr/bin/python3 make_tiff_corpus.py
The pictures are the same on every run; ImageMagick's files also carry the date they were made.
"""
import os
import random
import shutil
import struct
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"  # ImageMagick itself, not a wrapper earlier on PATH


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def out(name):
    return os.path.join(HERE, name)


# ---- source pictures ----------------------------------------------------------------------

def bilevel_picture(w, h):
    """Rings and bars: short runs, runs past 64 (make-up codes) and whole white rows."""
    im = Image.new("1", (w, h), 1)
    px = im.load()
    for y in range(h):
        for x in range(w):
            ring = ((x - w // 3) ** 2 + (y - h // 2) ** 2) // 37 % 3 == 0
            bar = 130 <= x < 190 and y % 9 < 5
            dots = (x * 7 + y * 3) % 11 == 0 and x > 150
            if (ring or bar or dots) and y != 3:
                px[x, y] = 0
    return im


def gray_picture(w, h, rng):
    im = Image.new("L", (w, h))
    im.putdata([(x * 255 // (w - 1) + rng.randrange(40)) % 256 if y % 5 else (x * 13) % 256
                for y in range(h) for x in range(w)])
    return im


def rgb_picture(w, h, rng):
    im = Image.new("RGB", (w, h))
    im.putdata([((x * 255) // (w - 1), (y * 255) // (h - 1), rng.randrange(256))
                for y in range(h) for x in range(w)])
    return im


def noisy_rgb_picture(w, h, rng):
    """Enough distinct data that LZW strips fill the code table and clear it."""
    im = Image.new("RGB", (w, h))
    im.putdata([(rng.randrange(256), (x * 2 + y) % 256, rng.randrange(64) * 4)
                for y in range(h) for x in range(w)])
    return im


def write_pam_cmyk(path, w, h, data):
    with open(path, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" % (w, h))
        f.write(data)


def write_pgm16(path, w, h, values):
    with open(path, "wb") as f:
        f.write(b"P5\n%d %d\n65535\n" % (w, h))
        f.write(b"".join(struct.pack(">H", v) for v in values))


# ---- checks against PIL's reading of each file --------------------------------------------

def pil_pixels(path):
    with Image.open(path) as im:
        im.load()
        return im.mode, im.size, list(im.getdata())


def check_same(path, source):
    mode, size, got = pil_pixels(path)
    with Image.open(source) as src:
        want = src.convert(mode if mode != "P" else "RGB")
        if mode == "P":
            with Image.open(path) as im:
                got = list(im.convert("RGB").getdata())
        assert size == src.size, path
        assert got == list(want.getdata()), f"{path}: pixels differ from {source}"


# ---- the corpus ---------------------------------------------------------------------------

def main():
    rng = random.Random(20240605)
    tmp = tempfile.mkdtemp()
    listed = []    # (file, source, mode, transform)
    refused = []   # (file, message)

    def keep(name, source, mode, transform="none", check=True):
        if check:
            check_same(out(name), out(source))
        listed.append((name, source, mode, transform))

    def tiffcp(base, name, *options):
        run("tiffcp", *options, out(base), out(name))

    # Bilevel: 200 x 40, 8 pixels beyond a 32-bit word boundary.
    b = bilevel_picture(200, 40)
    b.save(out("src_bilevel.pbm"))
    b.save(out("bilevel_none.tif"))                          # PIL: min-is-black, one strip
    keep("bilevel_none.tif", "src_bilevel.pbm", "Bitmap")
    tiffcp("bilevel_none.tif", "bilevel_packbits_r7.tif", "-c", "packbits", "-r", "7")
    keep("bilevel_packbits_r7.tif", "src_bilevel.pbm", "Bitmap")
    tiffcp("bilevel_none.tif", "bilevel_lzw_mm.tif", "-c", "lzw", "-B")
    keep("bilevel_lzw_mm.tif", "src_bilevel.pbm", "Bitmap")
    tiffcp("bilevel_none.tif", "bilevel_tiles.tif", "-c", "none", "-t", "-w", "48", "-l", "16")
    keep("bilevel_tiles.tif", "src_bilevel.pbm", "Bitmap")
    b.save(out("bilevel_ccitt.tif"), compression="tiff_ccitt")
    keep("bilevel_ccitt.tif", "src_bilevel.pbm", "Bitmap")
    tiffcp("bilevel_ccitt.tif", "bilevel_ccitt_mm_r9.tif", "-B", "-r", "9")
    keep("bilevel_ccitt_mm_r9.tif", "src_bilevel.pbm", "Bitmap")
    run(CONVERT, out("src_bilevel.pbm"), "-define", "quantum:polarity=min-is-white",
        out("bilevel_minwhite.tif"))
    keep("bilevel_minwhite.tif", "src_bilevel.pbm", "Bitmap")
    # DOS EPS with a TIFF preview (the preview of a bilevel picture is 1-bit, so exact).
    run(CONVERT, out("src_bilevel.pbm"), "EPT2:" + out("bilevel_preview.eps"))
    with open(out("bilevel_preview.eps"), "rb") as f:
        eps = f.read()
    start, length = struct.unpack("<II", eps[20:28])
    preview = os.path.join(tmp, "preview.tif")
    with open(preview, "wb") as f:
        f.write(eps[start:start + length])
    check_same(preview, out("src_bilevel.pbm"))
    keep("bilevel_preview.eps", "src_bilevel.pbm", "Bitmap", check=False)

    # Gray, 8-bit: 45 x 19.
    g = gray_picture(45, 19, rng)
    g.save(out("src_gray.pgm"))
    g.save(out("gray_none.tif"))
    keep("gray_none.tif", "src_gray.pgm", "Gray")
    tiffcp("gray_none.tif", "gray_lzw.tif", "-c", "lzw")
    keep("gray_lzw.tif", "src_gray.pgm", "Gray")
    tiffcp("gray_none.tif", "gray_lzw2_r4_mm.tif", "-c", "lzw:2", "-r", "4", "-B")
    keep("gray_lzw2_r4_mm.tif", "src_gray.pgm", "Gray")
    tiffcp("gray_none.tif", "gray_packbits_r5.tif", "-c", "packbits", "-r", "5")
    keep("gray_packbits_r5.tif", "src_gray.pgm", "Gray")
    tiffcp("gray_none.tif", "gray_tiles_lzw.tif", "-c", "lzw", "-t", "-w", "16", "-l", "16")
    keep("gray_tiles_lzw.tif", "src_gray.pgm", "Gray")
    # White is zero: PIL stores the complement of the picture under PhotometricInterpretation 0.
    g.save(out("gray_minwhite.tif"), tiffinfo={262: 0})
    keep("gray_minwhite.tif", "src_gray.pgm", "Gray")

    # Gray, 4 and 2 bits (ImageMagick): sources whose levels the depth holds exactly.
    g4 = Image.eval(g, lambda v: v // 17 * 17)
    g4.save(out("src_gray4.pgm"))
    run(CONVERT, out("src_gray4.pgm"), "-depth", "4", out("gray4_none.tif"))
    keep("gray4_none.tif", "src_gray4.pgm", "Gray", "top4")
    tiffcp("gray4_none.tif", "gray4_lzw_mm.tif", "-c", "lzw", "-B")
    keep("gray4_lzw_mm.tif", "src_gray4.pgm", "Gray", "top4")
    g2 = Image.eval(g, lambda v: v // 85 * 85)
    g2.save(out("src_gray2.pgm"))
    run(CONVERT, out("src_gray2.pgm"), "-depth", "2", out("gray2_packbits.tif"))
    tiffcp("gray2_packbits.tif", "gray2_packbits_r3.tif", "-c", "packbits", "-r", "3")
    os.remove(out("gray2_packbits.tif"))
    keep("gray2_packbits_r3.tif", "src_gray2.pgm", "Gray", "top2")

    # Gray, 16 bits (PIL): little- and big-endian, with the 16-bit predictor.
    values = [rng.randrange(65536) if x % 7 else x * 1400 for y in range(19) for x in range(45)]
    write_pgm16(out("src_gray16.pgm"), 45, 19, values)
    g16 = Image.new("I;16", (45, 19))
    g16.putdata(values)
    g16.save(out("gray16_none.tif"))
    keep("gray16_none.tif", "src_gray16.pgm", "Gray", "msb16", check=False)
    tiffcp("gray16_none.tif", "gray16_lzw2_mm.tif", "-c", "lzw:2", "-B")
    keep("gray16_lzw2_mm.tif", "src_gray16.pgm", "Gray", "msb16", check=False)
    tiffcp("gray16_none.tif", "gray16_lzw2.tif", "-c", "lzw:2", "-r", "6")
    keep("gray16_lzw2.tif", "src_gray16.pgm", "Gray", "msb16", check=False)
    for name in ("gray16_none.tif", "gray16_lzw2_mm.tif", "gray16_lzw2.tif"):
        run("tiffcp", "-c", "none", "-L", out(name), os.path.join(tmp, "plain16.tif"))
        with Image.open(os.path.join(tmp, "plain16.tif")) as im:
            assert list(im.getdata()) == values, name

    # RGB: 45 x 19.
    c = rgb_picture(45, 19, rng)
    c.save(out("src_rgb.ppm"))
    c.save(out("rgb_none.tif"))
    keep("rgb_none.tif", "src_rgb.ppm", "RGB")
    tiffcp("rgb_none.tif", "rgb_lzw2.tif", "-c", "lzw:2")
    keep("rgb_lzw2.tif", "src_rgb.ppm", "RGB")
    tiffcp("rgb_none.tif", "rgb_packbits_mm.tif", "-c", "packbits", "-B")
    keep("rgb_packbits_mm.tif", "src_rgb.ppm", "RGB")
    tiffcp("rgb_none.tif", "rgb_planar_lzw2_r8.tif", "-c", "lzw:2", "-p", "separate", "-r", "8")
    keep("rgb_planar_lzw2_r8.tif", "src_rgb.ppm", "RGB")
    tiffcp("rgb_none.tif", "rgb_planar_none.tif", "-c", "none", "-p", "separate")
    keep("rgb_planar_none.tif", "src_rgb.ppm", "RGB")
    tiffcp("rgb_none.tif", "rgb_tiles_packbits.tif", "-c", "packbits", "-t", "-w", "32", "-l", "16")
    keep("rgb_tiles_packbits.tif", "src_rgb.ppm", "RGB")
    tiffcp("rgb_none.tif", "rgb_tiles_planar.tif", "-c", "none", "-p", "separate", "-t",
           "-w", "16", "-l", "32")
    keep("rgb_tiles_planar.tif", "src_rgb.ppm", "RGB")
    c.putalpha(Image.eval(g, lambda v: 255 - v))
    c.save(out("rgba_lzw.tif"), compression="tiff_lzw")     # ExtraSamples: unassociated alpha
    keep("rgba_lzw.tif", "src_rgb.ppm", "RGB", check=False)
    with Image.open(out("rgba_lzw.tif")) as im:
        assert list(im.convert("RGB").getdata()) == list(Image.open(out("src_rgb.ppm")).getdata())

    # RGB, 1-bit planes (ImageMagick): every channel 0 or 255.
    c1 = Image.new("RGB", (37, 21))
    c1.putdata([(((x * 5 + y) % 3 == 0) * 255, (y % 4 < 2) * 255, ((x + y) % 5 == 1) * 255)
                for y in range(21) for x in range(37)])
    c1.save(out("src_rgb1.ppm"))
    run(CONVERT, out("src_rgb1.ppm"), "-depth", "1", "-interlace", "plane", out("rgb1_planar.tif"))
    keep("rgb1_planar.tif", "src_rgb1.ppm", "RGB", check=False)
    run(CONVERT, out("src_rgb1.ppm"), "-depth", "1", out("rgb1_chunky.tif"))
    keep("rgb1_chunky.tif", "src_rgb1.ppm", "RGB", check=False)

    # A bigger LZW image in strips of 32 rows: full code tables and clear codes.
    n = noisy_rgb_picture(96, 64, rng)
    n.save(out("src_noise.ppm"))
    n.save(os.path.join(tmp, "noise.tif"))
    run("tiffcp", "-c", "lzw", "-r", "32", os.path.join(tmp, "noise.tif"), out("noise_lzw_r32.tif"))
    keep("noise_lzw_r32.tif", "src_noise.ppm", "RGB")

    # CMYK (ImageMagick is given the CMYK samples themselves).
    k = bytes(rng.randrange(256) if (i // 4) % 9 else 0 for i in range(41 * 17 * 4))
    write_pam_cmyk(out("src_cmyk.pam"), 41, 17, k)
    raw = os.path.join(tmp, "cmyk.raw")
    with open(raw, "wb") as f:
        f.write(k)
    run(CONVERT, "-size", "41x17", "-depth", "8", "cmyk:" + raw, out("cmyk_none.tif"))
    keep("cmyk_none.tif", "src_cmyk.pam", "CMYK", check=False)
    tiffcp("cmyk_none.tif", "cmyk_lzw2_planar.tif", "-c", "lzw:2", "-p", "separate", "-r", "5")
    keep("cmyk_lzw2_planar.tif", "src_cmyk.pam", "CMYK", check=False)
    for name in ("cmyk_none.tif", "cmyk_lzw2_planar.tif"):
        with Image.open(out(name)) as im:
            assert im.mode == "CMYK" and im.tobytes() == k, name

    # Palette: 8-bit (PIL) and 4-bit (ImageMagick).
    p = Image.new("P", (45, 19))
    p.putpalette([rng.randrange(256) for _ in range(768)])
    p.putdata([(x * 5 + y * 17) % 256 for y in range(19) for x in range(45)])
    p.convert("RGB").save(out("src_palette.ppm"))
    p.save(out("palette8_none.tif"))
    keep("palette8_none.tif", "src_palette.ppm", "RGB")
    tiffcp("palette8_none.tif", "palette8_lzw_mm.tif", "-c", "lzw", "-B")
    keep("palette8_lzw_mm.tif", "src_palette.ppm", "RGB")
    # -depth 4 also keeps 4 bits of each colour-map entry: levels that are multiples of 17.
    colours = [(i * 17, 255 - i * 17, (i * 68) % 255) for i in range(16)]
    p4 = Image.new("RGB", (45, 19))
    p4.putdata([colours[(x // 3 + y) % 16] for y in range(19) for x in range(45)])
    p4.save(out("src_palette4.ppm"))
    run(CONVERT, out("src_palette4.ppm"), "-type", "Palette", "-depth", "4",
        out("palette4_none.tif"))
    keep("palette4_none.tif", "src_palette4.ppm", "RGB")

    # Real files the reader refuses.
    b.save(out("refused_group4.tif"), compression="group4")
    refused.append(("refused_group4.tif", "unimplemented"))
    Image.open(out("src_rgb.ppm")).save(out("refused_jpeg.tif"), compression="jpeg")
    refused.append(("refused_jpeg.tif", "unimplemented"))
    Image.new("F", (9, 5), 0.5).save(out("refused_float.tif"))
    refused.append(("refused_float.tif", "unimplemented"))

    shutil.rmtree(tmp)
    with open(out("corpus.txt"), "w") as f:
        f.write("# file source mode transform  (made by make_tiff_corpus.py)\n")
        for row in listed:
            f.write(" ".join(row) + "\n")
    with open(out("refused.txt"), "w") as f:
        f.write("# file message  (made by make_tiff_corpus.py)\n")
        for row in refused:
            f.write(" ".join(row) + "\n")
    write_seeds(os.path.join(HERE, "..", "fuzz_seeds"))


# ---- fuzz seeds ---------------------------------------------------------------------------

SEED_FILES = [
    "bilevel_ccitt", "bilevel_ccitt_mm_r9", "bilevel_lzw_mm", "bilevel_packbits_r7",
    "bilevel_tiles", "bilevel_minwhite", "gray_lzw2_r4_mm", "gray_packbits_r5", "gray_tiles_lzw",
    "gray4_lzw_mm", "gray2_packbits_r3", "gray16_lzw2_mm", "rgb_planar_lzw2_r8",
    "rgb_tiles_planar", "rgb1_planar", "rgb1_chunky", "cmyk_lzw2_planar", "palette4_none",
    "palette8_lzw_mm", "rgba_lzw",
]


def tiff_bytes(entries, data, big_endian=False):
    """A little TIFF: header, data, one directory. entries: (tag, type, [values]); values that
    do not fit the entry go after the directory. Offsets in `entries` count from the file start,
    data starting at byte 8."""
    e = ">" if big_endian else "<"
    ifd = 8 + len(data)
    extra_at = ifd + 2 + 12 * len(entries) + 4
    extra = b""
    table = struct.pack(e + "H", len(entries))
    for tag, typ, values in sorted(entries):
        fmt = {1: "B", 3: "H", 4: "I"}[typ]
        packed = b"".join(struct.pack(e + fmt, v) for v in values)
        if len(packed) <= 4:
            field = packed.ljust(4, b"\0")
        else:
            field = struct.pack(e + "I", extra_at + len(extra))
            extra += packed
        table += struct.pack(e + "HHI", tag, typ, len(values)) + field
    head = (b"MM" if big_endian else b"II") + struct.pack(e + "HI", 42, ifd)
    return head + data + table + b"\0\0\0\0" + extra


def write_seeds(seed_dir):
    """Copies a few corpus files and adds hand-made layouts no tool here writes."""
    os.makedirs(seed_dir, exist_ok=True)
    for name in SEED_FILES:
        shutil.copyfile(out(name + ".tif"), os.path.join(seed_dir, name + ".tif"))
    seeds = {}
    # Rows padded to 32 bits (compression 32771), 12 x 3.
    seeds["word_rows.tif"] = tiff_bytes(
        [(256, 3, [12]), (257, 3, [3]), (258, 3, [1]), (259, 3, [32771]), (262, 3, [0]),
         (273, 4, [8]), (279, 4, [12])],
        bytes([0xF0, 0x10, 0, 0, 0x0F, 0x80, 0, 0, 0xAA, 0x50, 0, 0]))
    # Bilevel tiles 5 x 2 on a 12 x 5 image, 9 tiles of 2 bytes.
    tiles = bytes((i * 37) & 0xF8 for i in range(18))
    seeds["odd_tiles.tif"] = tiff_bytes(
        [(256, 3, [12]), (257, 3, [5]), (258, 3, [1]), (262, 3, [1]), (322, 3, [5]),
         (323, 3, [2]), (324, 4, [8 + 2 * i for i in range(9)]), (325, 4, [2] * 9)], tiles)
    # 2-bit palette, 4 x 1, twelve map entries.
    seeds["palette2.tif"] = tiff_bytes(
        [(256, 3, [4]), (257, 3, [1]), (258, 3, [2]), (262, 3, [3]), (273, 4, [8]),
         (279, 4, [1]), (320, 3, [(c * 40 + i * 9) << 8 for c in range(3) for i in range(4)])],
        bytes([0b00011011]))
    # CMYK in four 1-bit planes, 3 x 1, big-endian.
    seeds["cmyk1_planes.tif"] = tiff_bytes(
        [(256, 3, [3]), (257, 3, [1]), (258, 3, [1, 1, 1, 1]), (262, 3, [5]),
         (273, 4, [8, 9, 10, 11]), (277, 3, [4]), (279, 4, [1, 1, 1, 1]), (284, 3, [2])],
        bytes([0x80, 0x40, 0x20, 0xE0]), big_endian=True)
    # Gray and alpha, 16 bits, two strips without byte counts, resolutions.
    seeds["gray16_alpha_nocounts.tif"] = tiff_bytes(
        [(256, 3, [2]), (257, 3, [2]), (258, 3, [16, 16]), (262, 3, [1]), (273, 4, [8, 16]),
         (277, 3, [2]), (278, 3, [1]), (338, 3, [1]), (280, 3, [255]), (281, 3, [0])],
        bytes(range(16)))
    # The CCITT file inside a DOS EPS header.
    with open(out("bilevel_ccitt.tif"), "rb") as f:
        tiff = f.read()
    ps = b"%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 200 40\n"
    seeds["eps_ccitt_preview.eps"] = (b"\xc5\xd0\xd3\xc6" + struct.pack(
        "<IIIIIIH", 30, len(ps), 0, 0, 30 + len(ps), len(tiff), 0xFFFF) + ps + tiff)
    for name, data in seeds.items():
        with open(os.path.join(seed_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
