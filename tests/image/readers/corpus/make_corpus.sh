#!/bin/sh
# Makes the raster reader corpus: pictures <what>_<width>x<height>.p?m (the pixels a reader must
# give) handed to real tools, the tools' files, files re-encoded by hand from the same pixels,
# corpus.txt (file, reader, picture, how made) and ../fuzz_seeds. Needs netpbm, imagemagick and
# Debian's python3 (PIL); deterministic. A second tool reads each file back, so a tool's fault
# cannot slip in (netpbm 11.01's pnmtorast drops the last byte of rows not a multiple of 8 wide).
set -eu
cd "$(dirname "$0")"
PY=/usr/bin/python3
rm -rf ./*.ras ./*.pcx ./*.mac ./*.rvx ./*.pbm ./*.ppm ./*.pgm corpus.txt ../fuzz_seeds && mkdir ../fuzz_seeds
$PY - <<'PYEOF'
import random
def write_pbm(name, w, h, ink):
    rows = (bytes(sum(0x80 >> b for b in range(8) if x + b < w and ink(x + b, y)) for x in range(0, w, 8))
            for y in range(h))
    open(name, "wb").write(b"P4\n%d %d\n" % (w, h) + b"".join(rows))
rng = random.Random(7)
noise = {(x, y) for x in range(100) for y in range(30) if rng.random() < 0.12}
disc = lambda x, y: ((x - 20) ** 2 + (y - 11) ** 2 < 80) != ((x, y) in noise)
write_pbm("bilevel_41x23.pbm", 41, 23, disc)
write_pbm("bilevel_40x23.pbm", 40, 23, lambda x, y: disc(x, y) or x == 39)
write_pbm("bilevel_100x9.pbm", 100, 9, lambda x, y: (x // 3 + y) % 4 == 0 or x == 99)
# MacPaint: frames, a hatched disc, long black and white runs across row ends.
write_pbm("macpaint_576x720.pbm", 576, 720, lambda x, y: x < 4 or y < 4 or x >= 572 or y >= 716 or (
    (x + y) % 9 < 3 if (x - 288) ** 2 + (y - 360) ** 2 < 150 ** 2 else 500 <= y < 520 or (y % 37 == 0 and x % 5 != 0)))
# Colour: the left edge matches the right one, so runs can cross line ends.
color = lambda x, y: (((255, 0, 0) if (x + y) % 7 else (0, 0, 255)) if 3 <= x < 15 else
                      (x * 8 % 256, y * 13 % 256, (x * y) % 256) if 15 <= x < 30 else
                      (200, 200, 200) if y % 3 else (10, 20, 30))
w, h = 45, 19
open("color_45x19.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + bytes(
    v for y in range(h) for x in range(w) for v in color(x, y)))
open("gray_45x19.pgm", "wb").write(b"P5\n%d %d\n255\n" % (w, h) + bytes(
    (x * 5 + y * 11) % 256 if x > 10 else 0 for y in range(h) for x in range(w)))
PYEOF
pnmquant 200 color_45x19.ppm > palette_45x19.ppm 2>/dev/null
pnminvert bilevel_41x23.pbm > bilevel_41x23_negative.pbm
ppmtoppm < gray_45x19.pgm > gray_45x19_rgb.ppm 2>/dev/null  # as read from three planes
T=$(mktemp -d) && trap 'rm -rf "$T"' EXIT
# same <picture> <file> <reader>: the reader, given the file, must give the picture.
same() { sh -c "$3" < "$2" > "$T/back" 2>/dev/null && cmp -s "$1" "$T/back" ||
  { echo "make_corpus: $3 < $2 does not give $1" >&2; exit 1; }; }
# made <file> <reader> <picture> <maker> <second reader>: the maker writes the file.
made() { sh -c "$4" > "$1" 2>/dev/null; same "$3" "$1" "$5"; echo "$1 $2 $3 $4" >> corpus.txt; }
IM=convert-im6.q16
GIF="$IM bilevel_41x23.pbm GIF:- | $IM -"  # ImageMagick writes 1 bit per pixel with a colour map only
TOPBM="pcxtoppm | ppmtopgm | pgmtopbm -threshold"

made sun_pnmtorast.ras sun bilevel_40x23.pbm "pnmtorast -standard bilevel_40x23.pbm" rasttopnm
made sun_imagemagick.ras sun bilevel_41x23.pbm "$GIF SUN:-" rasttopnm
made sun_imagemagick_100.ras sun bilevel_100x9.pbm "$IM bilevel_100x9.pbm GIF:- | $IM - SUN:-" rasttopnm
made pcx_netpbm_bilevel.pcx pcx bilevel_41x23.pbm "ppmtopcx bilevel_41x23.pbm" "$TOPBM"
# ImageMagick 6.9.11 stores a 1-bit PCX with 1 = black under a palette that says 1 = white;
# netpbm, PIL and our reader read the negative, as the format's 1 = white rule says.
made pcx_imagemagick_bilevel.pcx pcx bilevel_41x23_negative.pbm "$GIF PCX:-" "$TOPBM"
$PY -c 'import sys; from PIL import Image; sys.exit(list(Image.open(sys.argv[1]).getdata()) != list(Image.open(sys.argv[2]).getdata()))' \
  pcx_imagemagick_bilevel.pcx bilevel_41x23_negative.pbm || { echo "make_corpus: PIL disagrees" >&2; exit 1; }
made pcx_netpbm_palette.pcx pcx palette_45x19.ppm "ppmtopcx -8bit palette_45x19.ppm" pcxtoppm
made pcx_imagemagick_palette.pcx pcx palette_45x19.ppm "$IM palette_45x19.ppm -type palette PCX:-" pcxtoppm
made pcx_netpbm_rgb.pcx pcx color_45x19.ppm "ppmtopcx -24bit color_45x19.ppm" pcxtoppm
made pcx_imagemagick_rgb.pcx pcx color_45x19.ppm "$IM color_45x19.ppm -type truecolor PCX:-" pcxtoppm
made pcx_imagemagick_gray.pcx pcx gray_45x19_rgb.ppm "$IM gray_45x19.pgm PCX:-" pcxtoppm
made macpaint_pbmtomacp.mac macpaint macpaint_576x720.pbm "pbmtomacp macpaint_576x720.pbm" macptopbm

# Files re-encoded by hand from the tools' pixels, and RVX files from the format's byte table.
$PY - <<'PYEOF'
import struct
entry = lambda *fields: open("corpus.txt", "a").write(" ".join(fields) + "\n")
pixels = lambda name, count: open(name, "rb").read()[-count:]  # a picture's pixels end its file
def packbits(data):  # runs of 2 or more repeated, the rest as literals; at most 128 a group
    out, i, end = bytearray(), 0, len(data)
    while i < end:
        run = next((n for n in range(1, 128) if i + n >= end or data[i + n] != data[i]), 128)
        if run > 1:
            out += bytes([257 - run, data[i]])
        else:  # a literal, up to the next pair of equal bytes
            run = next((n for n in range(1, 128) if i + n >= end or
                        (i + n + 1 < end and data[i + n + 1] == data[i + n])), 128)
            out += bytes([run - 1]) + data[i:i + run]
        i += run
    return bytes(out)
# A Sun raster with a two-entry colour map (white, black) between header and rows.
ras = open("sun_pnmtorast.ras", "rb").read()
open("sun_colormap.ras", "wb").write(ras[:24] + struct.pack(">II", 1, 6) + bytes([255, 0, 255, 0, 255, 0]) + ras[32:])
entry("sun_colormap.ras", "sun", "bilevel_40x23.pbm", "by hand: a colour map inserted")
# PCX: a tool's decoded lines encoded again as one stream, runs of up to 63 bytes crossing line
# ends wherever the bytes allow; the 256-colour trailer is kept.
for source, target, picture in (("pcx_imagemagick_rgb.pcx", "pcx_crossing_rgb.pcx", "color_45x19.ppm"),
                                ("pcx_netpbm_palette.pcx", "pcx_crossing_palette.pcx", "palette_45x19.ppm")):
    d = open(source, "rb").read()
    line = struct.unpack_from("<H", d, 66)[0]
    size = d[65] * line * (struct.unpack_from("<H", d, 10)[0] - struct.unpack_from("<H", d, 6)[0] + 1)
    trailer = d[-769:] if d[1] == 5 and d[65] == 1 and d[3] == 8 and d[-769] == 12 else b""
    lines, i = bytearray(), 128
    while len(lines) < size:
        repeat = d[i] >= 0xC0
        lines += bytes([d[i + repeat]]) * (d[i] & 0x3F if repeat else 1)
        i += 1 + repeat
    out, i, crossing = bytearray(d[:128]), 0, 0
    while i < size:
        run = next((n for n in range(1, 63) if i + n >= size or lines[i + n] != lines[i]), 63)
        out += bytes([0xC0 | run, lines[i]]) if run > 1 or lines[i] >= 0xC0 else bytes([lines[i]])
        crossing += i // line != (i + run - 1) // line
        i += run
    assert crossing > 0, "no run crosses a line end"
    open(target, "wb").write(out + trailer)
    entry(target, "pcx", picture, "by hand: runs across line ends")
# MacPaint: the picture as one PackBits stream, runs crossing row ends.
open("macpaint_crossing_runs.mac", "wb").write(bytes(512) + packbits(pixels("macpaint_576x720.pbm", 72 * 720)))
entry("macpaint_crossing_runs.mac", "macpaint", "macpaint_576x720.pbm", "by hand: runs across row ends")
# RVX: big-endian header, colour mode data, resources (an odd-length block to skip, then the
# resolution), a layer section to skip, compression, row byte counts, planes.
def rvx(name, picture, mode, depth, planes, compression, table=b"", resolution=None, w=45, h=19):
    res = b"RVXR" + struct.pack(">H", 1000) + bytes([3]) + b"abc" + struct.pack(">I", 5) + b"12345\0"
    if resolution:
        res += b"RVXR" + struct.pack(">HBBIIHHIHH", 1005, 0, 0, 16, int(resolution[0] * 65536), 1, 1,
                                     int(resolution[1] * 65536), 1, 1)
    rows = [p[r * len(p) // h:(r + 1) * len(p) // h] for p in planes for r in range(h)]
    out = b"RVXF" + struct.pack(">H", 1) + bytes(6)
    out += struct.pack(">HIIHHI", len(planes), h, w, depth, mode, len(table)) + table
    out += struct.pack(">I", len(res)) + res + struct.pack(">I", 7) + b"layers!" + struct.pack(">H", compression)
    if compression == 1:
        rows = [packbits(r) for r in rows]
        out += b"".join(struct.pack(">H", len(r)) for r in rows)
    open(name, "wb").write(out + b"".join(rows))
    entry(name, "rvx", picture, "by hand from the byte table")
rgb = pixels("color_45x19.ppm", 45 * 19 * 3)
red, green, blue = rgb[0::3], rgb[1::3], rgb[2::3]
rvx("rvx_rgb_packbits.rvx", "color_45x19.ppm", 3, 8, [red, green, blue], 1, resolution=(150, 75.5))
wide = lambda p: bytes(b for v in p for b in (v, (v * 7) & 0xFF))  # 16-bit, low byte noise
rvx("rvx_rgb16_raw.rvx", "color_45x19.ppm", 3, 16, [wide(red), wide(green), wide(blue)], 0)
# RGB with an alpha channel: the fourth plane is not part of the picture.
rvx("rvx_rgb_alpha.rvx", "color_45x19.ppm", 3, 8, [red, green, blue, bytes(len(red))], 1, resolution=(300, 300))
gray = pixels("gray_45x19.pgm", 45 * 19)
rvx("rvx_gray_raw.rvx", "gray_45x19.pgm", 1, 8, [gray], 0, resolution=(200, 200))
# Indexed: the palette picture's colours as a table, one index plane.
prgb = pixels("palette_45x19.ppm", 45 * 19 * 3)
colors = [prgb[i:i + 3] for i in range(0, len(prgb), 3)]
palette = sorted(set(colors))
index = {c: i for i, c in enumerate(palette)}
table = bytes(palette[i][k] if i < len(palette) else 0 for k in range(3) for i in range(256))
rvx("rvx_indexed.rvx", "palette_45x19.ppm", 2, 8, [bytes(index[p] for p in colors)], 1, table=table)
# CMYK: C = 255 - R and so on, K from the gray picture, stored complemented (255 = no ink);
# the expected samples are written beside it.
cmyk = [bytes(255 - v for v in p) for p in (red, green, blue, gray)]
rvx("rvx_cmyk.rvx", "cmyk_45x19.pam", 4, 8, [bytes(255 - v for v in p) for p in cmyk], 1)
open("cmyk_45x19.pam", "wb").write(b"P7\nWIDTH 45\nHEIGHT 19\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n"
                                   + bytes(v for px in zip(*cmyk) for v in px))
rvx("rvx_bitmap.rvx", "bilevel_41x23.pbm", 0, 1, [pixels("bilevel_41x23.pbm", 6 * 23)], 1, w=41, h=23)
PYEOF
same bilevel_40x23.pbm sun_colormap.ras "rasttopnm | ppmtopgm | pgmtopbm -threshold"
same color_45x19.ppm pcx_crossing_rgb.pcx pcxtoppm
same palette_45x19.ppm pcx_crossing_palette.pcx pcxtoppm

# Fuzz seeds: the reader selector byte (fuzz/readers_fuzz.cpp), then the file; 2 is the
# program's own bitmap file (14-byte header: row bytes, top, left, bottom, right).
seed() { { printf "$(printf '\\%03o' "$2")"; cat "$1"; } > "../fuzz_seeds/$2_$1"; }
for f in *.rvx *.ras *.mac *.pcx; do
  case $f in *.rvx) seed "$f" 0 ;; *.ras) seed "$f" 1 ;; *.mac) seed "$f" 3 ;; *) seed "$f" 4 ;; esac
done
printf '\002\0\0\0\0\002\0\0\0\0\0\003\0\014\0\360\017\252\125\377\200' > ../fuzz_seeds/2_bitmap_file.bin
echo "corpus: $(wc -l < corpus.txt) files, $(du -sk . | cut -f1) KB; seeds: $(ls ../fuzz_seeds | wc -l)"
