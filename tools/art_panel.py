"""The main panel's small pictures: the 32 × 32 window icon, the 397 × 65
decoration strip and the two 16 × 16 status lamps."""

import math

from art_raster import Canvas, Ellipse, Polygon, Rect, inner, part, rim, sprite

INK = (52, 30, 26)
FUR = (246, 166, 82)
FUR_SHADE = (216, 124, 56)
CREAM = (255, 236, 204)
PINK = (242, 132, 148)
EYE = (44, 30, 40)
PAPER = (252, 250, 240)
PAPER_SHADE = (222, 214, 250)
SEAL = (222, 58, 72)
WHITE = (255, 255, 255)


def icon():
    """The cat's head with a letter in front of it, on transparency."""
    cv = Canvas(32, 32)
    for sign in (-1, 1):
        m = part(cv, Polygon([(16 + sign * 2, 9), (16 + sign * 12, 1), (16 + sign * 13, 14)]), FUR, INK)
        inner(cv, Polygon([(16 + sign * 7, 8), (16 + sign * 11, 4), (16 + sign * 11.5, 11)]), PINK, m)
    head = Ellipse(16, 17, 13, 10.5)
    hm = part(cv, head, FUR, INK, FUR_SHADE, shade_dir=(0, 1), depth=1)
    inner(cv, Ellipse(16, 20.5, 5.5, 3.5), CREAM, hm)
    for x0 in (9, 21):
        sprite(cv, x0, 12, ICON_EYE, {"X": EYE, "W": WHITE})
    sprite(cv, 14, 18, ICON_NOSE, {"P": PINK, "K": INK})
    # the letter, lower right
    env = Rect(19, 23, 31, 31)
    em = part(cv, env, PAPER, INK, PAPER_SHADE, shade_dir=(0, 1), depth=1)
    flap = Polygon([(19, 23), (31, 23), (25, 28)])
    fm = inner(cv, flap, PAPER, em)
    cv.paint(rim(fm, 0, 1, 1) & em, INK)
    inner(cv, Rect(24, 27, 26, 29), SEAL, em)
    return cv


ICON_EYE = """
WX
XX
XX
"""
ICON_NOSE = """
PPPP
.KK.
K..K
"""


def rgba_pixels(canvas):
    return [(0, 0, 0, 0) if c is None else c + (255,) for c in canvas.px]


BASE = (54, 54, 58)
MOTIF = (66, 66, 72)
BORDER = (104, 104, 112)
INNER_LINE = (40, 40, 44)


PAW = """
..XX.XX..
..XX.XX..
XX.....XX
XX.XXX.XX
..XXXXX..
.XXXXXXX.
.XXXXXXX.
..XX.XX..
"""


def _paw(cv, cx, cy):
    sprite(cv, cx - 4, cy - 4, PAW, {"X": MOTIF})


def _envelope(cv, cx, cy):
    x0, y0 = cx - 5, cy - 3
    for x in range(10):
        cv.set(x0 + x, y0, MOTIF)
        cv.set(x0 + x, y0 + 7, MOTIF)
    for y in range(8):
        cv.set(x0, y0 + y, MOTIF)
        cv.set(x0 + 9, y0 + y, MOTIF)
    for i in range(5):
        cv.set(x0 + i, y0 + i, MOTIF)
        cv.set(x0 + 9 - i, y0 + i, MOTIF)


def picture5():
    """Dark grey strip with a faint trail of paw prints and letters and a
    thin light border. Only its top-left corner shows on the panel, so the
    first row of motifs sits within the top 20 pixels."""
    w, h = 397, 65
    cv = Canvas(w, h)
    cv.paint(((x, y) for y in range(h) for x in range(w)), BASE)
    for row, cy in enumerate((10, 31, 52)):
        for col, cx in enumerate(range(12 + (row % 2) * 14, w - 6, 28)):
            if (col + row) % 3 == 2:
                _envelope(cv, cx, cy)
            else:
                _paw(cv, cx, cy + (2 if col % 2 else -1))
    for x in range(w):
        cv.set(x, 0, BORDER)
        cv.set(x, h - 1, BORDER)
        cv.set(x, 1, INNER_LINE)
        cv.set(x, h - 2, INNER_LINE)
    for y in range(h):
        cv.set(0, y, BORDER)
        cv.set(w - 1, y, BORDER)
        if 0 < y < h - 1:
            cv.set(1, y, INNER_LINE)
            cv.set(w - 2, y, INNER_LINE)
    return cv


LAMPS = {
    # rim (a dark bezel that stands out on the panel's green), dark, body, bright, core
    "green": ((30, 30, 34), (24, 120, 40), (48, 188, 64), (120, 236, 120), (200, 255, 196)),
    "red": ((30, 30, 34), (150, 24, 24), (220, 48, 44), (255, 120, 104), (255, 204, 196)),
}


def lamp(colour):
    rim_c, dark, body, bright, core = LAMPS[colour]
    cv = Canvas(16, 16)
    for y in range(16):
        for x in range(16):
            d = math.hypot(x + 0.5 - 8, y + 0.5 - 8)
            if d > 7.3:
                continue
            if d > 6.2:
                cv.set(x, y, rim_c)
                continue
            light = math.hypot(x + 0.5 - 6.2, y + 0.5 - 6.2)
            cv.set(x, y, core if light < 1.6 else bright if light < 3.4 else body if light < 5.4 else dark)
    for x, y in ((4, 4), (5, 4), (4, 5)):
        cv.set(x, y, WHITE)
    return cv


PANEL_BACK = (0, 64, 0)


def lamp_indexed(cv):
    """Palette with the transparent entry first; its colour is the panel's
    own back colour so a reader that ignores transparency still fits in."""
    palette = [PANEL_BACK]
    indices = []
    for c in cv.px:
        if c is None:
            indices.append(0)
            continue
        if c not in palette[1:]:
            palette.append(c)
        indices.append(palette.index(c, 1))
    return palette, indices, 0
