"""Picture sheets: for one input, a crop of the input, of our rendering, of the peer's
rendering and of their differences, two by two, enlarged so that single pixels show."""

import numpy as np
from PIL import Image, ImageDraw, ImageFont

import fidelity

SCALE = 3  # screen pixels per input pixel
_LABEL_HEIGHT = 22  # pixels
_WHITE = (255, 255, 255)
_INK = (0, 0, 0)
_INK_RIGHT = (200, 200, 200)     # ink both tracers got right, as context on the difference
_ONLY_OURS = (220, 30, 30)       # red: only our rendering differs from the input
_ONLY_THEIRS = (30, 90, 230)     # blue: only the peer's rendering differs
_BOTH = (150, 40, 170)           # purple: both differ


# Ghostscript's fonts are always here (the renderer needs them); the built-in bitmap font is
# the last resort and is tiny.
_FONTS = ["/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf",
          "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"]


def _label_font():
    for path in _FONTS:
        try:
            return ImageFont.truetype(path, 15)
        except OSError:
            continue
    return ImageFont.load_default()


def _crop(mask, box):
    x, y, w, h = box
    return np.asarray(mask, dtype=bool)[y:y + h, x:x + w]


def bilevel_panel(mask):
    rgb = np.where(mask[..., None], np.array(_INK, np.uint8), np.array(_WHITE, np.uint8))
    return rgb.astype(np.uint8)


def difference_panel(source, ours, theirs):
    """Colours of the error map, with the correctly traced ink in light gray."""
    kinds = fidelity.error_map(source, ours, theirs)
    palette = np.array([_WHITE, _ONLY_OURS, _ONLY_THEIRS, _BOTH], np.uint8)
    rgb = palette[kinds]
    rgb[(kinds == 0) & source] = _INK_RIGHT
    return rgb


def make_sheet(path, source, ours, theirs, box, ours_name, theirs_name, title, note=""):
    """Writes the PNG sheet of the crop box (x, y, width, height pixels) of the three masks,
    with the title and a note (a second line) above."""
    source, ours, theirs = (_crop(m, box) for m in (source, ours, theirs))
    panels = [
        ("input", bilevel_panel(source)),
        (ours_name, bilevel_panel(ours)),
        (theirs_name, bilevel_panel(theirs)),
        ("red: only %s wrong, blue: only %s wrong, purple: both" % (ours_name, theirs_name),
         difference_panel(source, ours, theirs)),
    ]
    h, w = source.shape
    pw, ph = w * SCALE, h * SCALE
    gap = 8
    head = _LABEL_HEIGHT * (2 if note else 1)
    sheet = Image.new("RGB", (2 * pw + 3 * gap, 2 * (ph + _LABEL_HEIGHT) + 3 * gap + head),
                      (235, 235, 235))
    draw = ImageDraw.Draw(sheet)
    font = _label_font()
    draw.text((gap, 3), title, fill=_INK, font=font)
    if note:
        draw.text((gap, 3 + _LABEL_HEIGHT), note, fill=_INK, font=font)
    for i, (label, rgb) in enumerate(panels):
        left = gap + (i % 2) * (pw + gap)
        top = head + gap + (i // 2) * (ph + _LABEL_HEIGHT + gap)
        draw.text((left, top + 3), label, fill=_INK, font=font)
        image = Image.fromarray(rgb, "RGB").resize((pw, ph), Image.NEAREST)
        sheet.paste(image, (left, top + _LABEL_HEIGHT))
    sheet.save(path)
