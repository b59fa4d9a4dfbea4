#!/usr/bin/python3
"""Makes the TIFF reader's test corpus with real tools; run with Debian's /usr/bin/python3.

Pictures drawn here are saved as TIFF by PIL, and as PNM (src_*) or raw samples for ImageMagick;
tiffcp and ImageMagick re-encode them (COMMANDS). corpus.txt lists the files to read, the mode to
report and the 8-bit samples to store (expected_*.raw; bilevel: a byte a pixel, 1 = black); the
refused_* files must be refused. Only the EPS changes between runs (it carries its date).
"""
import os
import random
import subprocess

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
# "@" is this folder; /usr/bin/convert is ImageMagick itself, not a wrapper earlier on PATH.
COMMANDS = """\
tiffcp -c packbits -r 7 @bilevel_none.tif @bilevel_packbits_r7.tif
tiffcp -c lzw -B @bilevel_none.tif @bilevel_lzw_mm.tif
tiffcp -c none -t -w 48 -l 16 @bilevel_none.tif @bilevel_tiles.tif
tiffcp -B -r 9 @bilevel_ccitt.tif @bilevel_ccitt_mm_r9.tif
/usr/bin/convert @src_bilevel.pbm -define quantum:polarity=min-is-white @bilevel_minwhite.tif
/usr/bin/convert @src_bilevel.pbm EPT2:@bilevel_preview.eps
tiffcp -c lzw @gray_none.tif @gray_lzw.tif
tiffcp -c lzw:2 -r 4 -B @gray_none.tif @gray_lzw2_r4_mm.tif
tiffcp -c packbits -r 5 @gray_none.tif @gray_packbits_r5.tif
tiffcp -c lzw -t -w 16 -l 16 @gray_none.tif @gray_tiles_lzw.tif
/usr/bin/convert @src_gray4.pgm -depth 4 @gray4_none.tif
tiffcp -c lzw -B @gray4_none.tif @gray4_lzw_mm.tif
/usr/bin/convert @src_gray2.pgm -depth 2 @tmp_gray2.tif
tiffcp -c packbits -r 3 @tmp_gray2.tif @gray2_packbits_r3.tif
tiffcp -c lzw:2 -B @gray16_none.tif @gray16_lzw2_mm.tif
tiffcp -c lzw:2 -r 6 @gray16_none.tif @gray16_lzw2.tif
tiffcp -c lzw:2 @rgb_none.tif @rgb_lzw2.tif
tiffcp -c packbits -B @rgb_none.tif @rgb_packbits_mm.tif
tiffcp -c lzw:2 -p separate -r 8 @rgb_none.tif @rgb_planar_lzw2_r8.tif
tiffcp -c none -p separate @rgb_none.tif @rgb_planar_none.tif
tiffcp -c packbits -t -w 32 -l 16 @rgb_none.tif @rgb_tiles_packbits.tif
tiffcp -c none -p separate -t -w 16 -l 32 @rgb_none.tif @rgb_tiles_planar.tif
/usr/bin/convert @src_rgb1.ppm -depth 1 -interlace plane @rgb1_planar.tif
/usr/bin/convert @src_rgb1.ppm -depth 1 @rgb1_chunky.tif
tiffcp -c lzw -r 32 @tmp_noise.tif @noise_lzw_r32.tif
/usr/bin/convert -size 41x17 -depth 8 cmyk:@expected_cmyk.raw @cmyk_none.tif
tiffcp -c lzw:2 -p separate -r 5 @cmyk_none.tif @cmyk_lzw2_planar.tif
tiffcp -c lzw -B @palette8_none.tif @palette8_lzw_mm.tif
/usr/bin/convert @src_palette4.ppm -type Palette -depth 4 @palette4_none.tif"""


def out(name):
    return os.path.join(HERE, name if "." in name else name + ".tif")


def write(name, data):
    with open(out(name), "w" if isinstance(data, str) else "wb") as f:
        f.write(data)


def draw(mode, w, h, pixel):
    im = Image.new(mode, (w, h))
    im.putdata([pixel(x, y) for y in range(h) for x in range(w)])
    return im


def main():
    rng = random.Random(20240605)
    # Rings and bars: short runs, runs past 64 (make-up codes), a white row; 8 pixels beyond
    # a 32-bit word boundary.
    b = draw("1", 200, 40, lambda x, y: 0 if y != 3 and (
        ((x - 66) ** 2 + (y - 20) ** 2) // 37 % 3 == 0 or (130 <= x < 190 and y % 9 < 5)
        or ((x * 7 + y * 3) % 11 == 0 and x > 150)) else 255)
    g = draw("L", 45, 19, lambda x, y: (x * 255 // 44 + rng.randrange(40)) % 256 if y % 5
             else x * 13 % 256)
    g16 = [rng.randrange(65536) if x % 7 else x * 1400 for y in range(19) for x in range(45)]
    c = draw("RGB", 45, 19, lambda x, y: (x * 255 // 44, y * 255 // 18, rng.randrange(256)))
    noise = draw("RGB", 96, 64, lambda x, y: (rng.randrange(256), (x * 2 + y) % 256,
                                              rng.randrange(64) * 4))  # LZW table clears
    k = bytes(rng.randrange(256) if (i // 4) % 9 else 0 for i in range(41 * 17 * 4))
    p = Image.new("P", (45, 19))
    p.putpalette([rng.randrange(256) for _ in range(768)])
    p.putdata([(x * 5 + y * 17) % 256 for y in range(19) for x in range(45)])
    rgb1 = draw("RGB", 37, 21, lambda x, y: (((x * 5 + y) % 3 == 0) * 255, (y % 4 < 2) * 255,
                                             ((x + y) % 5 == 1) * 255))
    # -depth 4 keeps 4 bits of each colour-map entry too: levels are multiples of 17.
    colours = [(i * 17, 255 - i * 17, (i * 68) % 255) for i in range(16)]
    p4 = draw("RGB", 45, 19, lambda x, y: colours[(x // 3 + y) % 16])
    rgba = c.copy()
    rgba.putalpha(Image.eval(g, lambda v: 255 - v))
    im16 = Image.new("I;16", (45, 19))
    im16.putdata(g16)

    expected = {  # the file name's first word: mode, size, samples
        "bilevel": ("Bitmap", b.size, bytes(v == 0 for v in b.getdata())),
        "gray": ("Gray", g.size, g.tobytes()),
        "gray4": ("Gray", g.size, bytes(v // 17 << 4 for v in g.getdata())),  # top of the byte
        "gray2": ("Gray", g.size, bytes(v // 85 << 6 for v in g.getdata())),
        "gray16": ("Gray", g.size, bytes(v >> 8 for v in g16)),  # the high byte
        "rgb": ("RGB", c.size, c.tobytes()), "rgba": ("RGB", c.size, c.tobytes()),
        "rgb1": ("RGB", rgb1.size, rgb1.tobytes()), "noise": ("RGB", noise.size, noise.tobytes()),
        "cmyk": ("CMYK", (41, 17), k), "palette8": ("RGB", p.size, p.convert("RGB").tobytes()),
        "palette4": ("RGB", p4.size, p4.tobytes())}
    for kind, (_, _, samples) in expected.items():
        write(f"expected_{kind}.raw", samples)
    for im, name, options in (
            (b, "src_bilevel.pbm", {}), (b, "bilevel_none", {}),  # min-is-black, one strip
            (b, "bilevel_ccitt", {"compression": "tiff_ccitt"}), (g, "gray_none", {}),
            (g, "gray_minwhite", {"tiffinfo": {262: 0}}),  # the complement under photometric 0
            (Image.eval(g, lambda v: v // 17 * 17), "src_gray4.pgm", {}),
            (Image.eval(g, lambda v: v // 85 * 85), "src_gray2.pgm", {}), (im16, "gray16_none", {}),
            (c, "rgb_none", {}), (rgba, "rgba_lzw", {"compression": "tiff_lzw"}),  # extra sample
            (noise, "tmp_noise", {}), (p, "palette8_none", {}), (rgb1, "src_rgb1.ppm", {}),
            (p4, "src_palette4.ppm", {}), (b, "bilevel_group4", {"compression": "group4"}),
            (c, "refused_jpeg", {"compression": "jpeg"}),
            (Image.new("F", (9, 5), 0.5), "refused_float", {})):
        im.save(out(name), **options)
    for line in COMMANDS.splitlines():
        subprocess.run([word.replace("@", HERE + "/") for word in line.split()], check=True,
                       stdout=subprocess.DEVNULL)
    for name in ("tmp_gray2", "tmp_noise"):
        os.remove(out(name))

    rows = "# file expected mode width height  (made by make_tiff_corpus.py)\n"
    for name in sorted(n for n in os.listdir(HERE) if n.split("_")[0] in expected):
        mode, (w, h), _ = expected[name.split("_")[0]]
        rows += f"{name} expected_{name.split('_')[0]}.raw {mode} {w} {h}\n"
    write("corpus.txt", rows)


if __name__ == "__main__":
    main()
