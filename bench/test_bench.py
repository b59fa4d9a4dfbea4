"""Tests of the benchmark harness's own measuring code, so that a broken metric cannot report
good numbers: the pixel metric on tiny known bitmaps, bitmap files, path and segment counting
of known SVG and EPS text, rendering back at the exact pixel geometry, and the table pieces.
Run: cd bench && /usr/bin/python3 -m unittest -v test_bench (needs gs and rsvg-convert)."""

import os
import shutil
import tempfile
import unittest

import numpy as np

import bitmaps
import compare
import fidelity
import inputs
import path_counts
import render
import sheets


def mask(rows):
    """A mask from strings, '#' for ink."""
    return np.array([[c == "#" for c in row] for row in rows], dtype=bool)


class TempDirTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="vl-bench-test-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w" if isinstance(text, str) else "wb") as f:
            f.write(text)
        return path


class PixelMetricTest(unittest.TestCase):
    def test_counts_missing_and_extra_ink_against_input_ink(self):
        source = mask(["##..", "##..", "....", "...."])
        rendered = mask(["#...", "##..", "..#.", "...#"])
        f = fidelity.compare(source, rendered)
        self.assertEqual((f.ink_pixels, f.missing_ink, f.extra_ink, f.differing_pixels),
                         (4, 1, 2, 3))
        self.assertAlmostEqual(f.pixel_error, 3 / 4)
        self.assertAlmostEqual(f.ink_iou, 3 / 6)  # 3 shared of 6 inked anywhere

    def test_perfect_inverted_and_blank_renderings(self):
        source = mask(["#..#", ".##.", "...."])
        same = fidelity.compare(source, source.copy())
        self.assertEqual((same.differing_pixels, same.pixel_error, same.ink_iou), (0, 0.0, 1.0))
        inverted = fidelity.compare(source, ~source)
        self.assertEqual(inverted.differing_pixels, source.size)
        self.assertEqual(inverted.ink_iou, 0.0)
        self.assertAlmostEqual(inverted.pixel_error, source.size / 4)
        lost = fidelity.compare(source, np.zeros_like(source))
        self.assertEqual((lost.pixel_error, lost.ink_iou), (1.0, 0.0))

    def test_blank_input_and_size_mismatch(self):
        blank = np.zeros((2, 3), bool)
        self.assertEqual(fidelity.compare(blank, blank).pixel_error, 0.0)
        self.assertEqual(fidelity.compare(blank, blank).ink_iou, 1.0)
        self.assertEqual(fidelity.compare(blank, mask(["...", ".#."])).pixel_error, float("inf"))
        with self.assertRaises(ValueError):
            fidelity.compare(blank, np.zeros((3, 2), bool))

    def test_error_map_and_difference_colours_tell_the_tools_apart(self):
        source = mask(["##.."])
        ours = mask(["#..."])    # lost pixel 1
        theirs = mask(["##.#"])  # added pixel 3
        self.assertEqual(fidelity.error_map(source, ours, theirs).tolist(), [[0, 1, 0, 2]])
        both = fidelity.error_map(source, ~source, ~source)
        self.assertTrue((both == 3).all())
        rgb = sheets.difference_panel(source, ours, theirs)
        self.assertEqual([tuple(p) for p in rgb[0]],
                         [sheets._INK_RIGHT, sheets._ONLY_OURS, sheets._WHITE, sheets._ONLY_THEIRS])


class BitmapFileTest(TempDirTest):
    def test_pbm_round_trip_with_row_padding(self):
        # 11 pixels need two bytes a row; the 5 padding bits must neither show nor leak.
        page = mask(["#.........#", ".#.#.#.#.#.", "###########"])
        data = bitmaps.encode_pbm(page)
        self.assertEqual(data[:10], b"P4\n11 3\n\x80\x20")
        self.assertEqual(len(data), len(b"P4\n11 3\n") + 3 * 2)
        self.assertTrue((bitmaps.decode_netpbm(data) == page).all())
        # Padding bits set by another writer, and a comment in the header.
        dirty = b"P4\n# made elsewhere\n11 3\n" + bytes([0x80, 0x3F, 0x55, 0x5F, 0xFF, 0xFF])
        self.assertTrue((bitmaps.decode_netpbm(dirty) == page).all())

    def test_pgm_is_cut_at_half_gray_and_bad_files_refused(self):
        gray = b"P5\n4 1\n255\n" + bytes([0, 127, 128, 255])
        self.assertEqual(bitmaps.decode_netpbm(gray).tolist(), [[True, True, False, False]])
        for bad in (b"P6\n1 1\n255\n\0\0\0", b"P5\n1 1\n65535\n\0\0", b"P4\n3"):
            with self.assertRaises(ValueError):
                bitmaps.decode_netpbm(bad)


OUR_STYLE_SVG = """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" version="1.1" width="10pt" height="6pt"
 viewBox="0 0 32 20">
<path d="M1 1 L9 1 C9 5 5 9 1 9 Z" fill="#000000" stroke="none"/>
<g><path d="M20 2 L30 2 L30 12 L20 12 L20 2 Z" fill="#ffffff" stroke="none"/></g>
</svg>
"""

# Relative commands with repeated argument groups and several subpaths in one element.
PEER_STYLE_SVG = """<?xml version="1.0" standalone="no"?>
<svg version="1.0" xmlns="http://www.w3.org/2000/svg" width="60pt" height="40pt"
 viewBox="0 0 60 40" preserveAspectRatio="xMidYMid meet">
<g transform="translate(0,40) scale(0.1,-0.1)" fill="#000000" stroke="none">
<path d="M400 195 l0 -155 80 0 80 0 0 155 0 155 -80 0 -80 0 0 -155z m20 0
c0 -10 10 -20 20 -20 10 0 20 10 20 20 l-20 0z"/>
</g>
</svg>
"""


class SvgCountTest(TempDirTest):
    def test_path_data_grammar(self):
        c = path_counts.count_path_data
        # One line, one curve; the closing line from (1,9) back to (1,1) has length.
        self.assertEqual(c("M1 1 L9 1 C9 5 5 9 1 9 Z"), path_counts.Counts(1, 2, 1))
        # Back at the start already: the closing line is no segment.
        self.assertEqual(c("M0 0 L4 0 L4 4 L0 0 Z"), path_counts.Counts(1, 3, 0))
        # Pairs after a moveto are lines; h and v are lines; s, q, t and a are curves.
        self.assertEqual(c("m0 0 10 0 0 10z"), path_counts.Counts(1, 3, 0))
        self.assertEqual(c("M0 0H5V5h-5v-5"), path_counts.Counts(1, 4, 0))
        self.assertEqual(c("M0 0 S1 1 2 2 Q3 3 4 4 T5 5 A1 1 0 0 1 6 6"),
                         path_counts.Counts(1, 0, 4))
        # Numbers in every spelling the grammar allows.
        self.assertEqual(c("M.5-1.5e1L1E2,3-4-.5z"), path_counts.Counts(1, 3, 0))
        for bad in ("L1 2", "M1 2 3", "M1 2 C1 2 3 4", "5 5", "M0 0 z 1"):
            with self.assertRaises(ValueError, msg=bad):
                c(bad)

    def test_files_of_both_styles(self):
        ours = path_counts.count_svg(self.write("ours.svg", OUR_STYLE_SVG))
        self.assertEqual((ours.paths, ours.lines, ours.curves, ours.segments), (2, 6, 1, 7))
        # 8 explicit lines closing exactly; then a subpath placed relative to the first one's
        # start (where z left the pen): 2 curves, a line, and a closing line of length 20.
        peer = path_counts.count_svg(self.write("peer.svg", PEER_STYLE_SVG))
        self.assertEqual((peer.paths, peer.lines, peer.curves), (2, 8 + 2, 2))


# A prolog in the manner of real EPS writers: procedures bound at definition in a dictionary
# made read-only, a save/restore around the page, fill, eofill and stroke.
KNOWN_EPS = """%!PS-Adobe-3.0 EPSF-3.0
%%BoundingBox: 0 0 100 50
%%EndComments
/Prolog 20 dict def Prolog begin
/m {moveto} bind def /l {lineto} bind def /c {curveto} bind def
/F {closepath fill} bind def /S {stroke} bind def /E {eofill} bind def
end Prolog readonly pop
save Prolog begin
10 10 m 40 10 l 40 40 l 10 40 l F
50 10 m 60 10 70 20 70 30 c 50 30 l 50 10 l F
60 35 m 90 35 l S
75 5 m 95 5 l 95 25 l closepath 80 10 m 90 10 l 90 20 l closepath E
end restore
showpage
"""


class EpsCountTest(TempDirTest):
    def test_known_eps(self):
        counts = path_counts.count_eps(self.write("known.eps", KNOWN_EPS))
        # Square: 3 lines and the closing line. Curved piece: 1 curve, 2 lines, closed at its
        # start. Stroke: 1 line. Even-odd pair: 2 paths of 3 lines each with their closings.
        self.assertEqual(counts.paths, 1 + 1 + 1 + 2)
        self.assertEqual(counts.curves, 1)
        self.assertEqual(counts.lines, 4 + 2 + 1 + 6)

    def test_tally_parsing_and_failure(self):
        report = "junk\n%%VLPATH 1 4 2\n%%VLPATH 2 0 8\n"
        self.assertEqual(path_counts.parse_eps_tally(report), path_counts.Counts(3, 4, 10))
        with self.assertRaises(RuntimeError):
            path_counts.count_eps(self.write("bad.eps", "%!PS\n1 0 div\n"))


class RenderGeometryTest(TempDirTest):
    def test_eps_at_a_fractional_scale_lands_on_the_input_pixels(self):
        # 0.24 points per pixel (300 ppi) on a 20 x 9 pixel image: the page is rounded up to
        # whole points, the art sits at the bottom left. Ink: columns 2-5 of rows 1-3 (from
        # the top), i.e. y from 5 to 8 pixels above the bottom.
        s = 0.24
        eps = ("%%!PS-Adobe-3.0 EPSF-3.0\n%%%%BoundingBox: 0 0 6 3\n"
               "newpath %g %g moveto %g 0 rlineto 0 %g rlineto %g 0 rlineto closepath fill\n"
               % (2 * s, 5 * s, 4 * s, 3 * s, -4 * s))
        got = render.render_eps(self.write("r.eps", eps), 20, 9, s, self.dir)
        want = np.zeros((9, 20), bool)
        want[1:4, 2:6] = True
        self.assertEqual(got.shape, (9, 20))
        self.assertTrue((got == want).all(), "\n%s" % got.astype(int))
        with self.assertRaises(ValueError):
            render.render_eps(self.write("r2.eps", eps), 40, 9, s, self.dir)

    def test_renderings_neither_fatten_nor_thin_a_disc(self):
        # A disc of radius 20 pixels off the pixel grid: about 1257 pixels of ink. Painting every
        # pixel the edge touches would add about 35 (3 %).
        area = np.pi * 20 ** 2
        eps = ("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 50 50\n"
               "newpath 25.3 24.6 20 0 360 arc closepath fill\n")
        svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="50pt" height="50pt" '
               'viewBox="0 0 50 50"><circle cx="25.3" cy="24.6" r="20" fill="#000"/></svg>')
        for ink in (render.render_eps(self.write("d.eps", eps), 50, 50, 1.0, self.dir),
                    render.render_svg(self.write("d.svg", svg), 50, 50, self.dir)):
            self.assertLess(abs(int(ink.sum()) - area), 0.01 * area)

    def test_svg_view_box_wider_than_the_input_is_cut_not_squeezed(self):
        svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="8pt" height="3pt" '
               'viewBox="0 0 32 12"><path d="M2 1 H6 V4 H2 Z" fill="#000"/></svg>')
        got = render.render_svg(self.write("r.svg", svg), 20, 12, self.dir)
        want = np.zeros((12, 20), bool)
        want[1:4, 2:6] = True
        self.assertTrue((got == want).all(), "\n%s" % got.astype(int))
        self.assertEqual(render.svg_view_box(self.write("p.svg", PEER_STYLE_SVG)), [0, 0, 60, 40])
        with self.assertRaises(ValueError):
            render.render_svg(self.write("r2.svg", svg), 40, 12, self.dir)


class HarnessPiecesTest(TempDirTest):
    def test_time_report_and_bounding_box_scale(self):
        report = ("\tCommand being timed: \"x\"\n\tUser time (seconds): 1.25\n"
                  "\tSystem time (seconds): 0.50\n\tPercent of CPU this job got: 99%\n"
                  "\tMaximum resident set size (kbytes): 51234\n")
        cpu, peak = compare.parse_time_report(report)
        self.assertAlmostEqual(cpu, 1.75)
        self.assertEqual(peak, 51234)
        with self.assertRaises(ValueError):
            compare.parse_time_report("\tUser time (seconds): 1.25\n")
        page = inputs.InputPage("p", 60, 40, "", "", (0, 0, 1, 1), 1)
        hi = self.write("hi.eps", "%!\n%%BoundingBox: 0 0 15 10\n"
                                  "%%HiResBoundingBox: 0 0 14.4 9.6\n")
        self.assertAlmostEqual(compare.bounding_box_points_per_pixel(hi, page), 0.24)
        plain = self.write("plain.eps", "%!\n%%BoundingBox: 0 0 60 40\n")
        self.assertAlmostEqual(compare.bounding_box_points_per_pixel(plain, page), 1.0)

    def test_runs_that_fail_or_write_nothing_are_failures(self):
        out = os.path.join(self.dir, "out.eps")
        run = compare.measure(["sh", "-c", "echo 'paths were\n discarded' >&2; printf x > '%s'"
                               % out], out)
        self.assertGreaterEqual(run.wall_s, 0)
        self.assertGreater(run.peak_kb, 0)
        self.assertEqual(run.messages, "paths were discarded")
        with self.assertRaisesRegex(RuntimeError, "exited 3: refused$"):
            compare.measure(["sh", "-c", "echo refused >&2; exit 3"], out)
        # A stale output from an earlier run must not pass for this run's.
        with open(out, "w") as f:
            f.write("old")
        with self.assertRaisesRegex(RuntimeError, "exited 0"):
            compare.measure(["true"], out)
        page = inputs.InputPage("p", 1, 1, "", "", (0, 0, 1, 1), 1)
        ok = compare.Result(page, "vectorlume", "eps", runs=[run], counts=path_counts.Counts(),
                            fid=fidelity.compare(mask(["#"]), mask(["#"])))
        failed = compare.Result(page, "potrace", "eps", failure="exited 1")
        self.assertEqual(compare.ratio_row(ok, failed)[:3], ["p", "vectorlume", "eps"])
        self.assertEqual(compare.ratio_row(ok, failed)[3:], [""] * 5)
        # Each fit mode is its own tool, named after the mode, with the option on its command.
        close = compare.vectorlume_tool("vl", "close")
        self.assertEqual(close.name, "vectorlume-close")
        self.assertEqual(close.command(page, "svg", "o.svg")[-2:], ["--fit", "close"])
        self.assertNotIn("--fit", compare.vectorlume_tool("vl").command(page, "svg", "o.svg"))
        self.assertEqual(compare.result_row(failed)[-1], "exited 1")

    def test_ratios_and_big_page_tiling(self):
        self.assertEqual(compare.ratio(2.0, 4.0), 0.5)
        self.assertEqual(compare.ratio(0, 0), 1.0)
        self.assertEqual(compare.ratio(1, 0), float("inf"))
        a, b = mask(["##", "#."]), mask(["...", ".#."])
        page = inputs.assemble_big_page([a, b], side=5, cell=(3, 3))
        # Cells at (0,0) a, (0,3) b, (3,0) a, (3,3) b: each pasted at its cell's top left.
        want = np.zeros((5, 5), bool)
        want[0:2, 0:2] = a
        want[0:2, 3:5] = b[:, :2]
        want[3:5, 0:2] = a
        want[3:5, 3:5] = b[:, :2]
        self.assertTrue((page == want).all(), "\n%s" % page.astype(int))


if __name__ == "__main__":
    unittest.main()
