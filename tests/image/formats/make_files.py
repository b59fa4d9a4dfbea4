#!/usr/bin/python3
"""Writes PNG, JPEG, PBM/PGM/PPM/PAM and BMP files with real tools (PIL, ImageMagick, netpbm)
into the folder given, and for each the pixels a reader must deliver, as PIL (or the numbers
given to the tool) says: manifest.tsv lists file, mode, width, height, x and y pixels per
inch (0: the file has none), and the truth file (bitmap: '#' ink, '.' white, a byte a pixel;
else the samples, 8 bits, interleaved). Transparency is composited over white, rounded."""
import os
import subprocess
import sys

import numpy as np
from PIL import Image

out = sys.argv[1]
rows = []
W, H = 61, 37  # not a multiple of 8 or 32: row padding shows


def path(name):
    return os.path.join(out, name)


def run(*cmd, stdin=None, stdout=None):
    subprocess.run(cmd, check=True, stdin=stdin, stdout=stdout, stderr=subprocess.DEVNULL)


def picture():
    """An RGB picture with flat areas, gradients and a few saturated colours."""
    y, x = np.mgrid[0:H, 0:W]
    rgb = np.zeros((H, W, 3), np.uint8)
    rgb[..., 0] = (x * 255 // (W - 1))
    rgb[..., 1] = (y * 255 // (H - 1))
    rgb[..., 2] = ((x + y) * 7) % 256
    rgb[5:15, 5:25] = (255, 0, 0)
    rgb[20:30, 30:50] = (0, 0, 255)
    return rgb


def bilevel():
    y, x = np.mgrid[0:H, 0:W]
    ink = ((x - 30) ** 2 + (y - 18) ** 2 < 150) | (x == 0) | (y == H - 1) | (x == W - 1)
    return ink


def alpha():
    y, x = np.mgrid[0:H, 0:W]
    a = ((x * 255) // (W - 1)).astype(np.uint8)
    a[:, :6] = 0      # fully transparent: background
    a[:, -6:] = 255   # opaque
    return a


def over_white8(v, a):
    v = v.astype(np.int64)
    a = a.astype(np.int64)
    return ((v * a + 255 * (255 - a) + 127) // 255).astype(np.uint8)


def over_white16(v, a):
    v = v.astype(np.int64)
    a = a.astype(np.int64)
    num = (v * a + 65535 * (65535 - a)) * 255
    return ((num + 65535 * 65535 // 2) // (65535 * 65535)).astype(np.uint8)


def truth_from_pil(name, mode):
    im = Image.open(path(name))
    if mode == 'cmyk':
        return np.asarray(im.convert('CMYK'))
    rgba = np.asarray(im.convert('RGBA'))
    rgb = over_white8(rgba[..., :3], rgba[..., 3:4])
    if mode == 'rgb':
        return rgb
    if mode == 'gray':
        return rgb[..., 0]
    return rgb[..., 0] < 128  # bitmap


def stated_ppi(name):
    """The resolution the file states, pixels per inch, read from its own bytes; 0 for none
    (or one outside 24 to 4000, which readers take for unset)."""
    data = open(path(name), 'rb').read()
    x = y = 0.0
    if name.endswith('.png') and b'pHYs' in data:
        at = data.index(b'pHYs') + 4
        if data[at + 8] == 1:
            x = int.from_bytes(data[at:at + 4], 'big') * 0.0254
            y = int.from_bytes(data[at + 4:at + 8], 'big') * 0.0254
    elif name.endswith('.bmp') and int.from_bytes(data[14:18], 'little') >= 40:
        x = int.from_bytes(data[38:42], 'little', signed=True) * 0.0254
        y = int.from_bytes(data[42:46], 'little', signed=True) * 0.0254
    elif name.endswith('.jpg'):
        info = Image.open(path(name)).info
        unit, density = info.get('jfif_unit', 0), info.get('jfif_density', (0, 0))
        per_inch = {1: 1.0, 2: 2.54}.get(unit, 0.0)
        x, y = density[0] * per_inch, density[1] * per_inch
    keep = lambda v: v if 24 <= v <= 4000 else 0.0
    return keep(x), keep(y)


def add(name, mode, truth=None, expect_ppi=None):
    if truth is None:
        truth = truth_from_pil(name, mode)
    truth = np.asarray(truth)
    ppi = stated_ppi(name)
    if expect_ppi is not None:  # the tool wrote what it was told
        assert abs(ppi[0] - expect_ppi[0]) < 0.02 and abs(ppi[1] - expect_ppi[1]) < 0.02, (name, ppi)
    h, w = truth.shape[:2]
    data = np.where(truth, ord('#'), ord('.')).astype(np.uint8) if mode == 'bitmap' else truth
    with open(path(name + '.truth'), 'wb') as f:
        f.write(np.ascontiguousarray(data, dtype=np.uint8).tobytes())
    rows.append(f"{name}\t{mode}\t{w}\t{h}\t{ppi[0]!r}\t{ppi[1]!r}\t{name}.truth")


def write_pnm16(name, magic, values, maxval=65535):
    h, w = values.shape[:2]
    with open(path(name), 'wb') as f:
        f.write(f"{magic}\n# sixteen bits\n{w} {h}\n{maxval}\n".encode())
        f.write(values.astype('>u2').tobytes())


rgb = picture()
ink = bilevel()
gray = rgb[..., 1].copy()
a = alpha()
one_bit = Image.fromarray(np.where(ink, 0, 255).astype(np.uint8)).convert('1')

# ---- PNG ----
one_bit.save(path('pil_1bit.png'), dpi=(200, 200))
add('pil_1bit.png', 'bitmap', ink, (200, 200))
Image.fromarray(gray).save(path('pil_gray.png'))
add('pil_gray.png', 'gray')
Image.fromarray(rgb).save(path('pil_rgb.png'), dpi=(300, 150))
add('pil_rgb.png', 'rgb', None, (300, 150))
Image.fromarray(np.dstack([rgb, a])).save(path('pil_rgba.png'))
add('pil_rgba.png', 'rgb', over_white8(rgb, a[..., None]))
Image.fromarray(np.dstack([gray, a]), 'LA').save(path('pil_gray_alpha.png'))
add('pil_gray_alpha.png', 'gray', over_white8(gray, a))
Image.fromarray(gray).save(path('pil_gray_trns.png'), transparency=int(gray[0, 0]))
add('pil_gray_trns.png', 'gray', np.where(gray == gray[0, 0], 255, gray).astype(np.uint8))
pal = Image.fromarray(rgb).quantize(colors=40)
pal.save(path('pil_palette.png'))
add('pil_palette.png', 'rgb')
pal.save(path('pil_palette_trns.png'), transparency=3)
add('pil_palette_trns.png', 'rgb')
Image.fromarray(gray).quantize(colors=16).convert('RGB').convert('L').convert('P').save(
    path('pil_palette_gray.png'))
add('pil_palette_gray.png', 'gray')
# 1-bit palettes of black and white, either way round, and one of two colours.
for name, colours in (('pil_palette_1bit_wb.png', [255, 255, 255, 0, 0, 0]),
                      ('pil_palette_1bit_bw.png', [0, 0, 0, 255, 255, 255]),
                      ('pil_palette_1bit_colour.png', [255, 0, 0, 0, 0, 255])):
    im = Image.fromarray(np.where(ink, 1, 0).astype(np.uint8), 'P')
    im.putpalette(colours)
    im.save(path(name), bits=1)
    add(name, 'rgb' if 'colour' in name else 'bitmap')
# netpbm: a PBM as a 1-bit PNG, plain and interlaced; 16-bit gray and colour.
one_bit.save(path('src.pbm'))
with open(path('src.pbm'), 'rb') as src, open(path('netpbm_1bit.png'), 'wb') as dst:
    run('pnmtopng', stdin=src, stdout=dst)
add('netpbm_1bit.png', 'bitmap', ink)
with open(path('src.pbm'), 'rb') as src, open(path('netpbm_1bit_interlaced.png'), 'wb') as dst:
    run('pnmtopng', '-interlace', stdin=src, stdout=dst)
add('netpbm_1bit_interlaced.png', 'bitmap', ink)
# Sixteen-bit samples whose 8-bit rounding differs from their high byte.
g16 = (np.arange(W * H, dtype=np.int64).reshape(H, W) * 65535 // (W * H - 1)).astype(np.uint16)
write_pnm16('src16.pgm', 'P5', g16)
with open(path('src16.pgm'), 'rb') as src, open(path('netpbm_gray16.png'), 'wb') as dst:
    run('pnmtopng', stdin=src, stdout=dst)
add('netpbm_gray16.png', 'gray', over_white16(g16, np.full_like(g16, 65535)))
c16 = np.dstack([g16, g16[::-1, ::-1], (g16 * 7) % 65536]).astype(np.uint16)
a16 = (np.arange(W, dtype=np.int64)[None, :].repeat(H, 0) * 65535 // (W - 1)).astype(np.uint16)
write_pnm16('src16.ppm', 'P6', c16)
with open(path('src16.ppm'), 'rb') as src, open(path('netpbm_rgb16.png'), 'wb') as dst:
    run('pnmtopng', '-interlace', stdin=src, stdout=dst)
add('netpbm_rgb16.png', 'rgb', over_white16(c16, np.full_like(c16, 65535)))
with open(path('src16_rgba.pam'), 'wb') as f:
    f.write(f"P7\nWIDTH {W}\nHEIGHT {H}\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n".encode())
    f.write(np.dstack([c16, a16]).astype('>u2').tobytes())
run('convert', path('src16_rgba.pam'), 'PNG64:' + path('magick_rgba16.png'))
add('magick_rgba16.png', 'rgb', over_white16(c16, a16[..., None]))
add('src16_rgba.pam', 'rgb', over_white16(c16, a16[..., None]))
run('convert', path('pil_rgb.png'), '-interlace', 'PNG', path('magick_interlaced.png'))
add('magick_interlaced.png', 'rgb', rgb)
run('convert', path('pil_gray.png'), '-depth', '4', path('magick_gray4.png'))
add('magick_gray4.png', 'gray')

# ---- JPEG ----
Image.fromarray(gray).save(path('pil_gray.jpg'), quality=90, dpi=(150, 150))
add('pil_gray.jpg', 'gray', None, (150.0, 150.0))
Image.fromarray(rgb).save(path('pil_rgb.jpg'), quality=85)
add('pil_rgb.jpg', 'rgb')
Image.fromarray(rgb).save(path('pil_progressive.jpg'), quality=80, progressive=True)
add('pil_progressive.jpg', 'rgb')
Image.fromarray(rgb).convert('CMYK').save(path('pil_cmyk.jpg'), quality=95)
add('pil_cmyk.jpg', 'cmyk')
run('convert', path('pil_rgb.png'), '-units', 'PixelsPerCentimeter', '-density', '40',
    path('magick_rgb.jpg'))
add('magick_rgb.jpg', 'rgb', None, (101.6, 101.6))

# ---- PBM, PGM, PPM, PAM ----
one_bit.save(path('pil.pbm'))
add('pil.pbm', 'bitmap', ink)
with open(path('pil.pbm'), 'rb') as src, open(path('netpbm_plain.pbm'), 'wb') as dst:
    run('pnmtopnm', '-plain', stdin=src, stdout=dst)
add('netpbm_plain.pbm', 'bitmap', ink)
Image.fromarray(gray).save(path('pil.pgm'))
add('pil.pgm', 'gray', gray)
Image.fromarray(rgb).save(path('pil.ppm'))
add('pil.ppm', 'rgb', rgb)
with open(path('pil.ppm'), 'rb') as src, open(path('netpbm_plain.ppm'), 'wb') as dst:
    run('pnmtopnm', '-plain', stdin=src, stdout=dst)
add('netpbm_plain.ppm', 'rgb', rgb)
add('src16.pgm', 'gray', over_white16(g16, np.full_like(g16, 65535)))
with open(path('pil.pbm'), 'rb') as src, open(path('netpbm_bw.pam'), 'wb') as dst:
    run('pamtopam', stdin=src, stdout=dst)
add('netpbm_bw.pam', 'bitmap', ink)
run('convert', path('pil_rgba.png'), path('magick_rgba.pam'))
add('magick_rgba.pam', 'rgb', over_white8(rgb, a[..., None]))
# Gray of maximum value 1 is bilevel; an odd maximum value scales to the nearest 8-bit value.
with open(path('maxval1.pgm'), 'wb') as f:
    f.write(f"P5 {W} {H} 1\n".encode() + np.where(ink, 0, 1).astype(np.uint8).tobytes())
add('maxval1.pgm', 'bitmap', ink)
with open(path('maxval1000_plain.pgm'), 'wb') as f:
    v = (gray.astype(np.int64) * 1000 // 255)
    f.write(f"P2\n# odd maximum\n{W} {H}\n1000\n".encode())
    f.write('\n'.join(' '.join(str(n) for n in r) for r in v).encode() + b'\n')
add('maxval1000_plain.pgm', 'gray', ((v * 255 + 500) // 1000).astype(np.uint8))

# ---- BMP ----
one_bit.save(path('pil_1bit.bmp'), dpi=(300, 300))
add('pil_1bit.bmp', 'bitmap', ink, (300, 300))
with open(path('pil.pbm'), 'rb') as src, open(path('netpbm_1bit.bmp'), 'wb') as dst:
    run('ppmtobmp', stdin=src, stdout=dst)
add('netpbm_1bit.bmp', 'bitmap', ink)
quant16 = Image.fromarray(rgb).quantize(colors=16).convert('RGB')
quant16.save(path('src16colours.ppm'))
with open(path('src16colours.ppm'), 'rb') as src, open(path('netpbm_4bit.bmp'), 'wb') as dst:
    run('ppmtobmp', '-bpp=4', stdin=src, stdout=dst)
add('netpbm_4bit.bmp', 'rgb', np.asarray(quant16))
pal.save(path('pil_8bit.bmp'))
add('pil_8bit.bmp', 'rgb')
Image.fromarray(gray).save(path('pil_gray.bmp'))
add('pil_gray.bmp', 'gray', gray)
Image.fromarray(rgb).save(path('pil_24bit.bmp'))
add('pil_24bit.bmp', 'rgb', rgb)
run('convert', path('pil_rgba.png'), path('magick_32bit_alpha.bmp'))
add('magick_32bit_alpha.bmp', 'rgb', over_white8(rgb, a[..., None]))
run('convert', path('pil_rgb.png'), '-define', 'bmp:subtype=RGB565', path('magick_565.bmp'))
# Five and six bits to eight, rounded to the nearest (PIL truncates): from the file's numbers.
data = open(path('magick_565.bmp'), 'rb').read()
offset = int.from_bytes(data[10:14], 'little')
p = np.frombuffer(data[offset:offset + (W * 2 + 3) // 4 * 4 * H], np.uint8).reshape(H, -1)
p = p[::-1, :W * 2].copy().view('<u2').astype(np.int64)
add('magick_565.bmp', 'rgb', np.dstack([((p >> 11) * 255 + 15) // 31, ((p >> 5 & 63) * 255 + 31) // 63,
                                        ((p & 31) * 255 + 15) // 31]).astype(np.uint8))
run('convert', path('pil_8bit.bmp'), '-compress', 'RLE', 'BMP3:' + path('magick_rle8.bmp'))
add('magick_rle8.bmp', 'rgb')
# Top-down: PIL's 24-bit file with its height negated and its rows in the other order.
data = bytearray(open(path('pil_24bit.bmp'), 'rb').read())
offset = int.from_bytes(data[10:14], 'little')
stride = (W * 3 + 3) // 4 * 4
body = data[offset:offset + stride * H]
data[offset:offset + stride * H] = b''.join(body[r * stride:(r + 1) * stride] for r in reversed(range(H)))
data[22:26] = (-H).to_bytes(4, 'little', signed=True)
open(path('top_down.bmp'), 'wb').write(bytes(data))
add('top_down.bmp', 'rgb', rgb)

with open(path('manifest.tsv'), 'w') as f:
    f.write('\n'.join(rows) + '\n')
