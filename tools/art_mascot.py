"""The primary figure: Pawmelo, a round-headed orange cat who carries the mail.

Three poses (standing, half wave with a squash, high wave with a hop) and
the alert picture, each 100 × 100 on the key colour.

The primary window keeps the outline of the standing pose while it shows
the alert picture inside it, so the alert is drawn into exactly that
outline: the surprised cat holds up a letter with a big red "!" seal, under
a cap with a red "!" badge and a red-and-yellow warning band.
"""

from art_raster import Canvas, Ellipse, Polygon, Rect, Stroke, bezier, inner, part, rim, sprite

INK = (52, 30, 26)          # outline: warm dark brown rather than black
FUR = (246, 166, 82)
FUR_SHADE = (216, 124, 56)
FUR_LIGHT = (255, 196, 128)
CREAM = (255, 236, 204)
CREAM_SHADE = (238, 204, 164)
PINK = (242, 132, 148)
BLUSH = (250, 168, 168)
EYE = (44, 30, 40)
WHITE = (255, 255, 255)
CAP = (52, 78, 160)
CAP_SHADE = (36, 54, 118)
CAP_BAND = (214, 58, 60)
VISOR = (30, 34, 62)
GOLD = (252, 204, 64)
GOLD_SHADE = (214, 150, 40)
BAG = (156, 96, 52)
BAG_SHADE = (116, 68, 36)
STRAP = (128, 76, 40)
SCARF = (222, 62, 62)
SCARF_SHADE = (172, 40, 48)
PAPER = (252, 250, 240)
PAPER_SHADE = (238, 224, 196)
STAMP = (220, 60, 70)
ALERT = (230, 44, 44)
ALERT_SHADE = (176, 26, 34)

POSES = {
    # lift: whole figure up (negative) or down; squash: body wider, head lower
    "a": dict(lift=0, squash=0, arm="down", face="normal"),
    "b": dict(lift=0, squash=2, arm="half", face="normal"),
    "c": dict(lift=-4, squash=0, arm="high", face="happy"),
    # same figure as "a", so that the two outlines agree
    "alert": dict(lift=0, squash=0, arm="down", face="surprised"),
}


def _tail(cv, lift):
    """Curls up behind the bag on the right, so the left side stays free
    for the waving arm."""
    path = bezier((60, 86 + lift), (82, 94 + lift), (96, 80 + lift), (88, 60 + lift), 14)
    m = part(cv, Stroke(path, 4.4, 3.4), FUR, INK, FUR_SHADE, shade_dir=(1, 0))
    for i in (6, 9, 12):
        (ax, ay), (bx, by) = path[i - 1], path[i + 1]
        nx, ny = by - ay, ax - bx
        n = (nx * nx + ny * ny) ** 0.5
        px, py = path[i]
        inner(cv, Stroke([(px - 6 * nx / n, py - 6 * ny / n), (px + 6 * nx / n, py + 6 * ny / n)], 0.9), FUR_SHADE, m)
    inner(cv, Ellipse(88, 60 + lift, 4.5, 3.5), FUR_SHADE, m)


def _feet(cv, lift):
    for cx in (41, 59):
        part(cv, Ellipse(cx, 91 + min(lift, 0) // 2, 7.5, 5), CREAM, INK, CREAM_SHADE, shade_dir=(0, 1))


def _body(cv, lift, squash):
    top = 60 + lift + squash
    body = Ellipse(50, 76 + lift + squash // 2, 17 + squash, 17 - squash // 2)
    m = part(cv, body, FUR, INK, FUR_SHADE, depth=2)
    inner(cv, Ellipse(50, 80 + lift + squash // 2, 10 + squash, 11), CREAM, m)
    # strap over the chest, from the left shoulder down to the bag at the right hip
    strap = Stroke([(36, top + 2), (64, top + 22)], 2.2)
    inner(cv, strap, STRAP, m)
    inner(cv, Stroke([(36, top + 2), (64, top + 22)], 0.6), BAG_SHADE, m)
    return m


def _bag(cv, lift, squash):
    y = 76 + lift + squash
    letter = Polygon([(60, y - 3), (71, y - 8), (75, y + 1), (64, y + 5)])
    lm = part(cv, letter, PAPER, INK)
    inner(cv, Rect(68, y - 6, 71, y - 3), STAMP, lm)
    bag = Rect(58, y - 1, 80, y + 15, 3)
    m = part(cv, bag, BAG, INK, BAG_SHADE, depth=2)
    flap = Rect(58, y - 1, 80, y + 7, 3) | Polygon([(58, y + 4), (80, y + 4), (69, y + 10)])
    fm = inner(cv, flap, BAG, m)
    cv.paint(rim(fm, 0, 1, 1) & m, INK)
    inner(cv, Rect(67, y + 7, 71, y + 11), GOLD, m)
    return m


def _scarf(cv, lift, squash):
    y = 60 + lift + squash
    m = part(cv, Polygon([(37, y - 1), (63, y - 1), (52, y + 9), (48, y + 9)]), SCARF, INK)
    cv.paint(rim(m, 1, 1, 1), SCARF_SHADE)


def _arm(cv, points, r=4.2):
    m = part(cv, Stroke(points, r), FUR, INK, FUR_SHADE, depth=1)
    end = points[-1]
    inner(cv, Ellipse(end[0], end[1], r, r), CREAM, m)
    return m


def _arms(cv, arm, lift, squash):
    y = 66 + lift + squash
    # the paw on the bag side always rests on the bag flap
    _arm(cv, [(64 + squash, y), (70 + squash, y + 10)])
    if arm == "down":
        _arm(cv, [(36 - squash, y), (31, y + 12)])
    elif arm == "half":
        _arm(cv, [(37 - squash, y), (25, y - 1), (17, y - 7)])


def _waving_arm(cv, lift):
    """Raised high beside the head, with little motion marks."""
    y = 66 + lift
    _arm(cv, [(38, y), (24, y - 6), (14, y - 20)])
    for arc in (((9, y - 31), (6, y - 27), (6, y - 23)), ((7, y - 16), (8, y - 12), (11, y - 9))):
        cv.paint(cv.mask(Stroke(list(arc), 0.9)), INK)


def _ears(cv, dy):
    for sign in (-1, 1):
        outer = Polygon([(50 + sign * 12, 25 + dy), (50 + sign * 27, 8 + dy), (50 + sign * 25, 34 + dy)])
        m = part(cv, outer, FUR, INK)
        inner(cv, Polygon([(50 + sign * 17, 26 + dy), (50 + sign * 25, 14 + dy), (50 + sign * 23, 30 + dy)]),
              PINK, m)


def _head(cv, dy):
    head = Ellipse(50, 42 + dy, 26, 20) | Ellipse(50, 47 + dy, 28, 14)
    m = part(cv, head, FUR, INK, FUR_SHADE, shade_dir=(0, 1), depth=2)
    cv.paint(rim(m, -1, -1, 1) - rim(m, 0, 1, 2), FUR_LIGHT)
    inner(cv, Ellipse(50, 53 + dy, 11, 6.5), CREAM, m)
    # cheek tufts
    for sign in (-1, 1):
        for k in range(3):
            cv.set(50 + sign * (25 - k), 45 + dy + 2 * k, FUR_SHADE)
    return m


EYE_ROUND = """
.XXXX.
XWWXXX
XWWXXX
XXXXXX
XXXXXX
XXXXWX
.XXXX.
"""
# wide open in surprise: the whites show all round a small pupil
EYE_WIDE = """
..XXX..
.XWWWX.
XWWWWWX
XWXXXWX
XWXXXWX
XWXXXWX
XWWWWWX
.XWWWX.
..XXX..
"""
BROW = ((-3, -6), (-2, -7), (-1, -8), (0, -8), (1, -8), (2, -7), (3, -6))


def _face(cv, face, dy):
    ey = 45 + dy
    for cx in (39, 61):
        if face == "happy":
            for x, y in ((-3, 1), (-2, 0), (-1, -1), (0, -1), (1, -1), (2, 0), (3, 1)):
                cv.set(cx + x, ey + y, EYE)
                cv.set(cx + x, ey + y + 1, EYE)
        elif face == "surprised":
            sprite(cv, cx - 3, ey - 4, EYE_WIDE, {"X": EYE, "W": WHITE})
            for x, y in BROW:
                cv.set(cx + x, ey + y, INK)
        else:
            sprite(cv, cx - 3, ey - 3, EYE_ROUND, {"X": EYE, "W": WHITE})
        inner(cv, Ellipse(cx + (-3 if cx < 50 else 3), ey + 7, 3.5, 1.6), BLUSH)
    # nose and mouth
    inner(cv, Polygon([(47.5, 50 + dy), (53.5, 50 + dy), (50.5, 53.5 + dy)]), PINK)
    cv.set(50, 53 + dy, INK)
    if face == "surprised":
        inner(cv, Ellipse(50.5, 57.5 + dy, 2.2, 2.6), INK)
        inner(cv, Ellipse(50.5, 58.3 + dy, 1.1, 1.2), PINK)
    elif face == "happy":
        inner(cv, Polygon([(46, 55 + dy), (55, 55 + dy), (50.5, 59.5 + dy)]), INK)
        inner(cv, Polygon([(48, 57 + dy), (53, 57 + dy), (50.5, 59 + dy)]), PINK)
    else:
        for x, y in ((-3, 55), (-2, 56), (-1, 56), (0, 55), (1, 56), (2, 56), (3, 55)):
            cv.set(50 + x, y + dy, INK)
    # whiskers inside the cheeks
    for sign in (-1, 1):
        for k, y in enumerate((51, 54)):
            for i in range(4):
                cv.set(50 + sign * (15 + i), y + dy + (k * 2 - 1) * (i // 2), INK)


def _cap(cv, dy):
    crown = Polygon([(33, 14 + dy), (38, 7 + dy), (62, 7 + dy), (67, 14 + dy), (66, 25 + dy), (34, 25 + dy)])
    m = part(cv, crown, CAP, INK, CAP_SHADE, shade_dir=(0, 1), depth=1)
    inner(cv, Rect(34, 20 + dy, 66, 24 + dy), CAP_BAND, m)
    cv.paint(rim(m, -1, -1, 1) & {(x, y) for x, y in m if y < 20 + dy}, (92, 120, 206))
    visor = Ellipse(50, 26 + dy, 18, 3.2)
    part(cv, visor, VISOR, INK)
    # badge: a little gold envelope
    badge = Rect(46, 11 + dy, 55, 18 + dy)
    bm = part(cv, badge, GOLD, INK)
    for i in range(4):
        cv.set(46 + i, 12 + dy + i, GOLD_SHADE)
        cv.set(54 - i, 12 + dy + i, GOLD_SHADE)
    return bm


BANG = """
.XXXX.
XWWWWX
XWWWWX
XWWWWX
XWWWWX
XWWWWX
.XWWX.
.XWWX.
..XX..
.XXXX.
XWWWWX
XWWWWX
.XXXX.
"""
BANG_SMALL = """
WWW
WWW
WWW
WWW
WWW
.W.
...
WWW
WWW
"""


def _held_letter(cv):
    """Both paws hold a big letter up in front of the chest, sealed with a
    red "!" that is the first thing the eye finds."""
    env = Rect(31, 64, 70, 87, 1.5)
    m = part(cv, env, PAPER, INK, PAPER_SHADE, shade_dir=(0, 1), depth=2)
    flap = Polygon([(30, 63), (71, 63), (50.5, 79)])
    fm = inner(cv, flap, PAPER, m)
    cv.paint(rim(fm, 0, 1, 1) & m, INK)
    seal = part(cv, Ellipse(50.5, 76.5, 8.2, 8.2), ALERT, INK)
    cv.paint(rim(seal, 1, 1, 2), ALERT_SHADE)
    sprite(cv, 48, 70, BANG, {"X": ALERT_SHADE, "W": WHITE})
    for cx, cy in ((31, 78), (70, 76)):
        pm = part(cv, Ellipse(cx, cy, 4.3, 4.3), CREAM, INK)
        cv.paint(rim(pm, 1, 1, 1), CREAM_SHADE)


def _alert_cap(cv):
    """The cap in alarm: a red "!" badge in place of the gold envelope and
    the band striped red and yellow."""
    band = {(x, y) for x, y in cv.mask(Rect(34, 20, 66, 24)) if cv.get(x, y) == CAP_BAND}
    for x, y in band:
        cv.set(x, y, GOLD if (x + y) // 3 % 2 else ALERT)
    bm = part(cv, Rect(45, 8, 56, 20, 2), ALERT, INK)
    cv.paint(rim(bm, 1, 1, 1), ALERT_SHADE)
    sprite(cv, 49, 9, BANG_SMALL, {"W": GOLD})


def _fit_outline(cv, outline):
    """Cuts the picture to `outline` and draws the outline's edge in ink,
    so whatever was drawn across the edge ends in a clean contour."""
    for y in range(cv.h):
        for x in range(cv.w):
            if (x, y) not in outline:
                cv.set(x, y, None)
            elif any((x + dx, y + dy) not in outline for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                cv.set(x, y, INK)


def draw(name):
    pose = POSES[name]
    lift, squash, arm = pose["lift"], pose["squash"], pose["arm"]
    cv = Canvas(100, 100)
    _tail(cv, lift)
    _feet(cv, lift)
    _body(cv, lift, squash)
    _bag(cv, lift, squash)
    _scarf(cv, lift, squash)
    _arms(cv, arm, lift, squash)
    if arm == "high":
        _waving_arm(cv, lift)
    head_dy = lift + squash
    _ears(cv, head_dy)
    _head(cv, head_dy)
    _face(cv, pose["face"], head_dy)
    _cap(cv, head_dy)
    if name == "alert":
        _held_letter(cv)
        _alert_cap(cv)
        _fit_outline(cv, draw("a").opaque())
    return cv
