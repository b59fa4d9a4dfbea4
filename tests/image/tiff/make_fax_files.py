"""Writes fax and Deflate TIFF files with libtiff's tiffcp and the imaging library, for the
reader's tests, into the folder given: the source pictures drawn here, each re-encoded in every
variant the tools offer, and manifest.txt naming each file, the raw pixels it must give (a byte
a pixel: 1 black for bitmaps, else 8-bit samples), its mode, width and height."""

import os
import random
import subprocess
import sys

from PIL import Image, ImageDraw


def bilevel_page(width, height, seed):
    """Shapes, lines and specks at every angle, on white."""
    rnd = random.Random(seed)
    im = Image.new("1", (width, height), 1)
    d = ImageDraw.Draw(im)
    for _ in range(width * height // 4000):
        x, y = rnd.randrange(width), rnd.randrange(height)
        d.ellipse([x, y, x + rnd.randint(1, 40), y + rnd.randint(1, 40)], fill=0)
    for _ in range(width * height // 8000):
        d.line([rnd.randrange(width), rnd.randrange(height), rnd.randrange(width),
                rnd.randrange(height)], fill=0, width=rnd.randint(1, 3))
    for _ in range(200):
        im.putpixel((rnd.randrange(width), rnd.randrange(height)), 0)
    d.text((10, 10), "Vectorlume fax test", fill=0)
    return im


def long_runs(width):
    """Rows whose runs need the extended make-up codes (1792 to 2560 pixels and beyond)."""
    im = Image.new("1", (width, 12), 1)
    d = ImageDraw.Draw(im)
    d.rectangle([0, 1, width - 1, 2], fill=0)              # whole black rows
    d.rectangle([3, 4, 3 + 2600, 4], fill=0)              # one run longer than 2560
    d.rectangle([width - 1800, 6, width - 1, 7], fill=0)  # black to the row's end
    d.rectangle([0, 9, 0, 10], fill=0)                    # a first pixel alone
    return im


def main(folder):
    out = lambda name: os.path.join(folder, name)
    rows = []

    def expect(name, raw, mode, size):
        rows.append(f"{name} {raw} {mode} {size[0]} {size[1]}")

    bitmaps = {"page": bilevel_page(1203, 301, 7), "runs": long_runs(2900),
               "narrow": bilevel_page(37, 90, 3)}
    for key, im in bitmaps.items():
        with open(out(f"{key}.raw"), "wb") as f:
            f.write(bytes(1 if v == 0 else 0 for v in im.getdata()))
        im.save(out(f"{key}_src.tif"), dpi=(200, 200))
        variants = {"g3": ["-c", "g3"], "g3_2d": ["-c", "g3:2d"], "g3_2d_fill": ["-c", "g3:2d:fill"],
                    "g3_2d_r5_lsb": ["-c", "g3:2d", "-r", "5", "-f", "lsb2msb"],
                    "g4": ["-c", "g4"], "g4_r7": ["-c", "g4", "-r", "7"],
                    "g4_lsb": ["-c", "g4", "-f", "lsb2msb"], "g4_mm": ["-c", "g4", "-B"],
                    "g4_tiles": ["-c", "g4", "-t", "-w", "64", "-l", "32"],
                    "zip": ["-c", "zip"], "zip_r3": ["-c", "zip", "-r", "3"]}
        for suffix, options in variants.items():
            name = f"{key}_{suffix}.tif"
            subprocess.run(["tiffcp"] + options + [out(f"{key}_src.tif"), out(name)], check=True)
            expect(name, f"{key}.raw", "Bitmap", im.size)
        for compression in ("group3", "group4"):
            name = f"{key}_pil_{compression}.tif"
            im.save(out(name), compression=compression)
            expect(name, f"{key}.raw", "Bitmap", im.size)
        os.remove(out(f"{key}_src.tif"))

    rnd = random.Random(5)
    gray = Image.new("L", (97, 45))
    gray.putdata([(x * 3 + y * 5 + rnd.randrange(20)) % 256 for y in range(45) for x in range(97)])
    rgb = Image.merge("RGB", (gray, gray.transpose(Image.FLIP_LEFT_RIGHT),
                              gray.transpose(Image.FLIP_TOP_BOTTOM)))
    for key, im, mode in (("gray", gray, "Gray"), ("rgb", rgb, "RGB")):
        with open(out(f"{key}.raw"), "wb") as f:
            f.write(im.tobytes())
        im.save(out(f"{key}_src.tif"))
        for suffix, options in {"zip": ["-c", "zip"], "zip_p2_r4": ["-c", "zip:2", "-r", "4"],
                                "zip_p2_mm": ["-c", "zip:2", "-B"],
                                "zip_tiles": ["-c", "zip", "-t", "-w", "16", "-l", "16"]}.items():
            name = f"{key}_{suffix}.tif"
            subprocess.run(["tiffcp"] + options + [out(f"{key}_src.tif"), out(name)], check=True)
            expect(name, f"{key}.raw", mode, im.size)
        name = f"{key}_pil_deflate.tif"
        im.save(out(name), compression="tiff_adobe_deflate")
        expect(name, f"{key}.raw", mode, im.size)
        os.remove(out(f"{key}_src.tif"))

    with open(out("manifest.txt"), "w") as f:
        f.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
