#!/bin/sh
# Makes the raster reader corpus: pictures given to real tools, the files the tools wrote from
# them, a few files re-encoded by hand from the same pixels (runs that cross line ends, a Sun
# raster with a colour map, RVX files written from the format's byte table), and the fuzz seeds.
#
#   <picture>.pbm / .ppm / .pgm   the pixels given to the tools (what every reader must read)
#   corpus.txt                    one line per file: name, reader, expected picture, made by
#   ../fuzz_seeds/<n>_<name>      each file behind the fuzz target's reader selector byte
#
# Needs netpbm, imagemagick (convert-im6.q16) and Debian's python3. Deterministic: rerunning it
# leaves the files unchanged. Every tool output is read back by a second tool and compared with
# the picture, so a tool's own fault cannot slip into the corpus (netpbm 11.01's pnmtorast loses
# the last byte of every row whose width is not a multiple of 8, so it gets a 40-pixel-wide
# picture; the check would catch it).
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert-im6.q16
PY=/usr/bin/python3
rm -f ./*.ras ./*.pcx ./*.mac ./*.rvx ./*.pbm ./*.ppm ./*.pgm corpus.txt
rm -rf ../fuzz_seeds && mkdir -p ../fuzz_seeds

# ---- Pictures ------------------------------------------------------------------------------
$PY - <<'PYEOF'
import random

def write_pbm(name, w, h, ink):
    with open(name, "wb") as f:
        f.write(b"P4\n%d %d\n" % (w, h))
        for y in range(h):
            row = bytearray((w + 7) // 8)
            for x in range(w):
                if ink(x, y):
                    row[x // 8] |= 0x80 >> (x % 8)
            f.write(row)

rng = random.Random(7)
noise = {(x, y) for x in range(100) for y in range(30) if rng.random() < 0.12}
write_pbm("bilevel_41x23.pbm", 41, 23,
          lambda x, y: ((x - 20) ** 2 + (y - 11) ** 2 < 80) != ((x, y) in noise))
write_pbm("bilevel_40x23.pbm", 40, 23,
          lambda x, y: ((x - 20) ** 2 + (y - 11) ** 2 < 80) != ((x, y) in noise) or x == 39)
write_pbm("bilevel_100x9.pbm", 100, 9, lambda x, y: (x // 3 + y) % 4 == 0 or x == 99)

def macpaint_ink(x, y):
    # Frames, a disc, diagonal hatching and long black and white runs across row ends.
    if x < 4 or y < 4 or x >= 572 or y >= 716:
        return True
    if (x - 288) ** 2 + (y - 360) ** 2 < 150 ** 2:
        return (x + y) % 9 < 3
    if 500 <= y < 520:
        return True
    return y % 37 == 0 and x % 5 != 0
write_pbm("macpaint_576x720.pbm", 576, 720, macpaint_ink)

w, h = 45, 19
with open("color_45x19.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h))
    for y in range(h):
        for x in range(w):
            if 3 <= x < 15:
                px = (255, 0, 0) if (x + y) % 7 else (0, 0, 255)
            elif x < 3:  # the same as the right edge, so runs can cross line ends
                px = (200, 200, 200) if y % 3 else (10, 20, 30)
            elif x < 30:
                px = (x * 8 % 256, y * 13 % 256, (x * y) % 256)
            else:
                px = (200, 200, 200) if y % 3 else (10, 20, 30)
            f.write(bytes(px))
with open("gray_45x19.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n255\n" % (w, h))
    for y in range(h):
        f.write(bytes(((x * 5 + y * 11) % 256 if x > 10 else 0) for x in range(w)))
PYEOF
pnmquant 200 color_45x19.ppm > palette_45x19.ppm 2>/dev/null

# Every file below is read back by a second program and must give its picture.
same() {  # same <picture> <file the reading program made>
  cmp -s "$1" "$2" || { echo "make_corpus: $2 does not give $1" >&2; exit 1; }
}
entry() { echo "$1 $2 $3 $4" >> corpus.txt; }
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# ---- Sun raster ----------------------------------------------------------------------------
pnmtorast -standard bilevel_40x23.pbm > sun_pnmtorast.ras 2>/dev/null
rasttopnm sun_pnmtorast.ras > "$T/a.pbm" 2>/dev/null; same bilevel_40x23.pbm "$T/a.pbm"
entry sun_pnmtorast.ras sun bilevel_40x23.pbm "pnmtorast -standard"
# ImageMagick writes one bit per pixel only for a colour-mapped picture, hence the GIF step.
$IM bilevel_41x23.pbm "$T/b.gif"
$IM "$T/b.gif" SUN:sun_imagemagick.ras
rasttopnm sun_imagemagick.ras > "$T/a.pbm" 2>/dev/null; same bilevel_41x23.pbm "$T/a.pbm"
entry sun_imagemagick.ras sun bilevel_41x23.pbm "convert-im6 GIF to SUN:"
$IM bilevel_100x9.pbm "$T/c.gif"
$IM "$T/c.gif" SUN:sun_imagemagick_100.ras
rasttopnm sun_imagemagick_100.ras > "$T/a.pbm" 2>/dev/null; same bilevel_100x9.pbm "$T/a.pbm"
entry sun_imagemagick_100.ras sun bilevel_100x9.pbm "convert-im6 GIF to SUN:"

# ---- PCX -----------------------------------------------------------------------------------
ppmtopcx bilevel_41x23.pbm > pcx_netpbm_bilevel.pcx 2>/dev/null
$IM "$T/b.gif" PCX:pcx_imagemagick_bilevel.pcx
ppmtopcx -8bit palette_45x19.ppm > pcx_netpbm_palette.pcx 2>/dev/null
$IM palette_45x19.ppm -type palette PCX:pcx_imagemagick_palette.pcx
ppmtopcx -24bit color_45x19.ppm > pcx_netpbm_rgb.pcx 2>/dev/null
$IM color_45x19.ppm -type truecolor PCX:pcx_imagemagick_rgb.pcx
$IM gray_45x19.pgm PCX:pcx_imagemagick_gray.pcx
pcxtoppm pcx_netpbm_bilevel.pcx 2>/dev/null | ppmtopgm | pgmtopbm -threshold > "$T/a.pbm"
same bilevel_41x23.pbm "$T/a.pbm"
# ImageMagick 6.9.11 stores a 1-bit PCX with 1 = black under a palette that says 1 = white; only
# ImageMagick reads it back as given. netpbm and PIL read the negative, as the format's 1 = white
# rule says, and so does our reader: that file's expected picture is the negative.
pnminvert bilevel_41x23.pbm > bilevel_41x23_negative.pbm
pcxtoppm pcx_imagemagick_bilevel.pcx 2>/dev/null | ppmtopgm | pgmtopbm -threshold > "$T/a.pbm"
same bilevel_41x23_negative.pbm "$T/a.pbm"
$PY -c 'import sys; from PIL import Image; sys.exit(list(Image.open(sys.argv[1]).getdata()) != list(Image.open(sys.argv[2]).getdata()))' \
  pcx_imagemagick_bilevel.pcx bilevel_41x23_negative.pbm || { echo "make_corpus: PIL disagrees" >&2; exit 1; }
for f in pcx_netpbm_palette pcx_imagemagick_palette; do
  pcxtoppm $f.pcx > "$T/a.ppm" 2>/dev/null; same palette_45x19.ppm "$T/a.ppm"
done
for f in pcx_netpbm_rgb pcx_imagemagick_rgb; do
  pcxtoppm $f.pcx > "$T/a.ppm" 2>/dev/null; same color_45x19.ppm "$T/a.ppm"
done
pcxtoppm pcx_imagemagick_gray.pcx 2>/dev/null | ppmtopgm > "$T/a.pgm"; same gray_45x19.pgm "$T/a.pgm"
entry pcx_netpbm_bilevel.pcx pcx bilevel_41x23.pbm "ppmtopcx"
entry pcx_imagemagick_bilevel.pcx pcx bilevel_41x23_negative.pbm "convert-im6 GIF to PCX: (read as the negative, see above)"
entry pcx_netpbm_palette.pcx pcx palette_45x19.ppm "ppmtopcx -8bit"
entry pcx_imagemagick_palette.pcx pcx palette_45x19.ppm "convert-im6 -type palette PCX:"
entry pcx_netpbm_rgb.pcx pcx color_45x19.ppm "ppmtopcx -24bit"
entry pcx_imagemagick_rgb.pcx pcx color_45x19.ppm "convert-im6 -type truecolor PCX:"
entry pcx_imagemagick_gray.pcx pcx gray_45x19.pgm "convert-im6 PCX: (three planes)"

# ---- MacPaint ------------------------------------------------------------------------------
pbmtomacp macpaint_576x720.pbm > macpaint_pbmtomacp.mac 2>/dev/null
macptopbm macpaint_pbmtomacp.mac > "$T/a.pbm" 2>/dev/null; same macpaint_576x720.pbm "$T/a.pbm"
entry macpaint_pbmtomacp.mac macpaint macpaint_576x720.pbm "pbmtomacp"

# ---- Files re-encoded by hand from the tools' pixels, and RVX from the byte table -----------
$PY - "$T" <<'PYEOF'
import struct, subprocess, sys
T = sys.argv[1]

def read_pnm(name):
    """Magic, width, height and the pixel bytes (which begin after one whitespace byte)."""
    data = open(name, "rb").read()
    fields, at = [], 0
    while len(fields) < (3 if data[:2] == b"P4" else 4):
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    return fields[0], int(fields[1]), int(fields[2]), data[at + 1:]

def packbits(data):
    """Runs of 2 or more as repeats, the rest as literals; groups of at most 128."""
    out, i = bytearray(), 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 128:
            run += 1
        if run >= 2:
            out += bytes([(257 - run) & 0xFF, data[i]])
            i += run
            continue
        start = i
        while i < len(data) and i - start < 128 and not (
                i + 1 < len(data) and data[i + 1] == data[i]):
            i += 1
        out += bytes([i - start - 1]) + data[start:i]
    return bytes(out)

# A Sun raster with a two-entry colour map (white, black) between header and rows.
ras = bytearray(open("sun_pnmtorast.ras", "rb").read())
struct.pack_into(">II", ras, 24, 1, 6)
ras[32:32] = bytes([255, 0, 255, 0, 255, 0])
open("sun_colormap.ras", "wb").write(ras)

# PCX: the decoded lines of a tool's file encoded again as one stream, runs up to 63 bytes
# crossing line ends wherever the bytes allow.
def pcx_lines(name):
    d = open(name, "rb").read()
    planes, line = d[65], struct.unpack_from("<H", d, 66)[0]
    h = struct.unpack_from("<H", d, 10)[0] - struct.unpack_from("<H", d, 6)[0] + 1
    trailer = d[-769:] if d[1] == 5 and d[65] == 1 and d[3] == 8 and d[-769] == 12 else b""
    body, out, i = d[128:len(d) - len(trailer)], bytearray(), 0
    while len(out) < planes * line * h:
        b = body[i]; i += 1
        if b & 0xC0 == 0xC0:
            out += bytes([body[i]]) * (b & 0x3F); i += 1
        else:
            out.append(b)
    return d[:128], bytes(out[:planes * line * h]), trailer

def pcx_stream(data, line):
    out, i, crossing = bytearray(), 0, 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 63:
            run += 1
        if run > 1 or data[i] >= 0xC0:
            out += bytes([0xC0 | run, data[i]])
        else:
            out.append(data[i])
        crossing += i // line != (i + run - 1) // line
        i += run
    assert crossing > 0, "no run crosses a line end"
    return bytes(out)

for source, target in (("pcx_imagemagick_rgb.pcx", "pcx_crossing_rgb.pcx"),
                       ("pcx_netpbm_palette.pcx", "pcx_crossing_palette.pcx")):
    header, lines, trailer = pcx_lines(source)
    line = struct.unpack_from("<H", header, 66)[0]
    open(target, "wb").write(header + pcx_stream(lines, line) + trailer)

# MacPaint: the picture as one PackBits stream, runs crossing row ends.
magic, w, h, pixels = read_pnm("macpaint_576x720.pbm")
open("macpaint_crossing_runs.mac", "wb").write(bytes(512) + packbits(pixels))

# RVX files from the byte table: big-endian header, colour mode data, resources (an odd-length
# block to skip, then the resolution), a layer section to skip, compression, row counts, planes.
def rvx(name, mode, depth, planes, w, h, compression, table=b"", resolution=None,
        channels=None):
    res = bytearray()
    res += b"RVXR" + struct.pack(">H", 1000) + bytes([3]) + b"abc" + struct.pack(">I", 5) + b"12345\0"
    if resolution:
        x, y = resolution
        res += b"RVXR" + struct.pack(">HBBI", 1005, 0, 0, 16)
        res += struct.pack(">IHHIHH", int(x * 65536), 1, 1, int(y * 65536), 1, 1)
    rows = [plane[r * len(plane) // h:(r + 1) * len(plane) // h] for plane in planes for r in range(h)]
    out = bytearray(b"RVXF" + struct.pack(">H", 1) + bytes(6))
    out += struct.pack(">HIIHH", channels or len(planes), h, w, depth, mode)
    out += struct.pack(">I", len(table)) + table
    out += struct.pack(">I", len(res)) + res
    out += struct.pack(">I", 7) + b"layers!"
    out += struct.pack(">H", compression)
    if compression == 1:
        packed = [packbits(r) for r in rows]
        out += b"".join(struct.pack(">H", len(p)) for p in packed) + b"".join(packed)
    else:
        out += b"".join(rows)
    open(name, "wb").write(out)

_, cw, ch, rgb = read_pnm("color_45x19.ppm")
red, green, blue = rgb[0::3], rgb[1::3], rgb[2::3]
rvx("rvx_rgb_packbits.rvx", 3, 8, [red, green, blue], cw, ch, 1, resolution=(150, 75.5))
wide = lambda p: bytes(b for v in p for b in (v, (v * 7) & 0xFF))  # 16-bit, low byte noise
rvx("rvx_rgb16_raw.rvx", 3, 16, [wide(red), wide(green), wide(blue)], cw, ch, 0)
# RGB with an alpha channel: the fourth plane is not part of the picture.
rvx("rvx_rgb_alpha.rvx", 3, 8, [red, green, blue, bytes(len(red))], cw, ch, 1,
    resolution=(300, 300))
_, gw, gh, gray = read_pnm("gray_45x19.pgm")
rvx("rvx_gray_raw.rvx", 1, 8, [gray], gw, gh, 0, resolution=(200, 200))
# Indexed: the palette picture's colours as a table, one index plane.
_, pw, ph, prgb = read_pnm("palette_45x19.ppm")
colors = sorted({prgb[i:i + 3] for i in range(0, len(prgb), 3)})
index = {c: i for i, c in enumerate(colors)}
table = bytearray(768)
for c, i in index.items():
    table[i], table[256 + i], table[512 + i] = c[0], c[1], c[2]
indices = bytes(index[prgb[i:i + 3]] for i in range(0, len(prgb), 3))
rvx("rvx_indexed.rvx", 2, 8, [indices], pw, ph, 1, table=bytes(table))
# CMYK: from the colour picture, C = 255 - R and so on, K from the gray picture; all stored
# complemented (255 = no ink). The expected samples are written beside it.
cmyk_planes = [bytes(255 - v for v in red), bytes(255 - v for v in green),
               bytes(255 - v for v in blue), bytes(255 - v for v in gray)]
rvx("rvx_cmyk.rvx", 4, 8, [bytes(255 - v for v in p) for p in cmyk_planes], cw, ch, 1)
with open("cmyk_45x19.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" % (cw, ch))
    f.write(bytes(v for px in zip(*cmyk_planes) for v in px))
_, bw, bh, bits = read_pnm("bilevel_41x23.pbm")
rvx("rvx_bitmap.rvx", 0, 1, [bits], bw, bh, 1)
PYEOF
entry sun_colormap.ras sun bilevel_40x23.pbm "by hand: a colour map inserted"
entry pcx_crossing_rgb.pcx pcx color_45x19.ppm "by hand: runs across line ends"
entry pcx_crossing_palette.pcx pcx palette_45x19.ppm "by hand: runs across line ends"
entry macpaint_crossing_runs.mac macpaint macpaint_576x720.pbm "by hand: runs across row ends"
for f in pcx_crossing_rgb pcx_crossing_palette; do
  pcxtoppm $f.pcx > "$T/a.ppm" 2>/dev/null
  case $f in *rgb) same color_45x19.ppm "$T/a.ppm" ;; *) same palette_45x19.ppm "$T/a.ppm" ;; esac
done
rasttopnm sun_colormap.ras 2>/dev/null | ppmtopgm | pgmtopbm -threshold > "$T/a.pbm"; same bilevel_40x23.pbm "$T/a.pbm"
entry rvx_rgb_packbits.rvx rvx color_45x19.ppm "by hand from the byte table"
entry rvx_rgb16_raw.rvx rvx color_45x19.ppm "by hand from the byte table"
entry rvx_rgb_alpha.rvx rvx color_45x19.ppm "by hand from the byte table"
entry rvx_gray_raw.rvx rvx gray_45x19.pgm "by hand from the byte table"
entry rvx_indexed.rvx rvx palette_45x19.ppm "by hand from the byte table"
entry rvx_cmyk.rvx rvx cmyk_45x19.pam "by hand from the byte table"
entry rvx_bitmap.rvx rvx bilevel_41x23.pbm "by hand from the byte table"

# ---- Fuzz seeds: the reader selector byte (fuzz/readers_fuzz.cpp), then the file -----------
seed() { { printf "$(printf '\\%03o' "$2")"; cat "$1"; } > "../fuzz_seeds/$2_$1"; }
for f in *.rvx; do seed "$f" 0; done
for f in *.ras; do seed "$f" 1; done
for f in *.mac; do seed "$f" 3; done
for f in *.pcx; do seed "$f" 4; done
# The program's own bitmap file: a 14-byte header (row bytes, top, left, bottom, right).
$PY -c '
import struct, sys
sys.stdout.buffer.write(bytes([2]) + bytes(4) + struct.pack("<hhhhh", 2, 0, 0, 3, 12) + bytes([0xF0, 0x0F, 0xAA, 0x55, 0xFF, 0x80]))
' > ../fuzz_seeds/2_bitmap_file.bin
echo "corpus: $(wc -l < corpus.txt) files, $(du -sk . | cut -f1) KB; seeds: $(ls ../fuzz_seeds | wc -l)"
