#!/usr/bin/python3
"""Writes the fuzz seeds of the PNG, JPEG, netpbm and BMP readers (small files of each kind the
readers know) into fuzz_seeds/ beside this script. Run once by hand; the seeds are kept in git.
Each seed is its file behind one byte for the fuzz target: 0x80 asks for 2:1 downsampling, and
every second seed of a folder does."""
import io
import os
import subprocess

import numpy as np
from PIL import Image

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'fuzz_seeds')
W, H = 13, 7
y, x = np.mgrid[0:H, 0:W]
rgb = np.dstack([x * 19, y * 36, (x + y) * 12]).astype(np.uint8)
gray = rgb[..., 0].copy()
ink = Image.fromarray(np.where((x + y) % 3 == 0, 0, 255).astype(np.uint8)).convert('1')
alpha = (x * 21).astype(np.uint8)


def save(folder, name, image, **options):
    image.save(os.path.join(here, folder, name), **options)


def magick(source, folder, name, *options):
    subprocess.run(['convert', source, *options, os.path.join(here, folder, name)], check=True)


save('png', '1bit.png', ink)
save('png', 'gray.png', Image.fromarray(gray))
save('png', 'rgba.png', Image.fromarray(np.dstack([rgb, alpha])), dpi=(300, 300))
save('png', 'palette_trns.png', Image.fromarray(rgb).quantize(8), transparency=2)
save('png', 'gray_alpha.png', Image.fromarray(np.dstack([gray, alpha]), 'LA'))
tmp = os.path.join(here, 'png', 'rgb.png')
save('png', 'rgb.png', Image.fromarray(rgb))
magick(tmp, 'png', 'interlaced16.png', '-depth', '16', '-interlace', 'PNG')
magick(tmp, 'png', 'gray2.png', '-colorspace', 'Gray', '-depth', '2')
save('jpeg', 'gray.jpg', Image.fromarray(gray), quality=50, dpi=(200, 200))
save('jpeg', 'rgb.jpg', Image.fromarray(rgb), quality=50)
save('jpeg', 'progressive.jpg', Image.fromarray(rgb), quality=50, progressive=True)
save('jpeg', 'cmyk.jpg', Image.fromarray(rgb).convert('CMYK'), quality=50)
save('pnm', 'raw.pbm', ink)
save('pnm', 'raw.pgm', Image.fromarray(gray))
save('pnm', 'raw.ppm', Image.fromarray(rgb))
open(os.path.join(here, 'pnm', 'plain.pbm'), 'wb').write(b'P1\n# plain\n5 2\n01010\n1 1 0 0 1\n')
open(os.path.join(here, 'pnm', 'plain.pgm'), 'wb').write(b'P2 3 2 1000\n0 500 1000\n7 8 9\n')
open(os.path.join(here, 'pnm', 'wide.pgm'), 'wb').write(b'P5 2 1 65535\n\x12\x34\xff\xff')
open(os.path.join(here, 'pnm', 'rgba.pam'), 'wb').write(
    b'P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n\x10\x20\x30\x80\x01\x02\x03\x00')
open(os.path.join(here, 'pnm', 'bw.pam'), 'wb').write(
    b'P7\nWIDTH 3\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n\x00\x01\x00')
save('bmp', '1bit.bmp', ink)
save('bmp', '8bit.bmp', Image.fromarray(rgb).quantize(8))
save('bmp', 'gray.bmp', Image.fromarray(gray))
save('bmp', '24bit.bmp', Image.fromarray(rgb))
magick(os.path.join(here, 'png', 'rgba.png'), 'bmp', '32bit_alpha.bmp')
magick(tmp, 'bmp', '565.bmp', '-define', 'bmp:subtype=RGB565')
subprocess.run(['convert', os.path.join(here, 'bmp', '8bit.bmp'), '-compress', 'RLE', 'BMP3:' + os.path.join(here, 'bmp', 'rle8.bmp')], check=True)

for folder in ('png', 'jpeg', 'pnm', 'bmp'):
    for i, name in enumerate(sorted(os.listdir(os.path.join(here, folder)))):
        file = os.path.join(here, folder, name)
        data = open(file, 'rb').read()
        open(file, 'wb').write(bytes([0x80 if i % 2 else 0]) + data)
