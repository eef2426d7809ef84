"""The primary figure: Pawmelo, a round-headed orange cat who carries the mail.

Three poses (standing, half wave with a squash, high wave with a hop) and
the alert picture (the cat holding up a letter under a red "!" bubble), each
100 × 100 on the key colour.
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
    "alert": dict(lift=0, squash=0, arm="letter", face="surprised"),
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


def _bag(cv, lift, squash, with_letter=True):
    y = 76 + lift + squash
    if with_letter:
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
    if arm == "letter":
        _arm(cv, [(38, y - 1), (33, y + 6)], 4.0)
        _arm(cv, [(62, y - 1), (67, y + 4)], 4.0)
        return
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
EYE_TALL = """
.XXXX.
XWWXXX
XWWXXX
XXXXXX
XXXXXX
XXXXXX
XXXXWX
XXXXXX
.XXXX.
"""


def _face(cv, face, dy):
    ey = 45 + dy
    for cx in (39, 61):
        if face == "happy":
            for x, y in ((-3, 1), (-2, 0), (-1, -1), (0, -1), (1, -1), (2, 0), (3, 1)):
                cv.set(cx + x, ey + y, EYE)
                cv.set(cx + x, ey + y + 1, EYE)
        else:
            sprite(cv, cx - 3, ey - 3, EYE_TALL if face == "surprised" else EYE_ROUND, {"X": EYE, "W": WHITE})
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


def _held_letter(cv, lift):
    """The alert: both paws hold a big letter up in front of the chest."""
    cv.place(0, lift, angle=-6, pivot=(50, 76))
    env = Rect(31, 64, 69, 88, 1.5)
    m = part(cv, env, PAPER, INK, PAPER_SHADE, shade_dir=(0, 1), depth=2)
    flap = Polygon([(30, 63), (70, 63), (50, 78)])
    fm = inner(cv, flap, PAPER, m)
    cv.paint(rim(fm, 0, 1, 1) & m, INK)
    inner(cv, Ellipse(50.5, 78.5, 3.6, 3.4), STAMP, m)
    inner(cv, Rect(49, 77, 51, 78), (255, 190, 190), m)
    inner(cv, Rect(59, 67, 66, 74), STAMP, m)
    inner(cv, Rect(60, 68, 65, 73), PAPER, m)
    inner(cv, Rect(61, 69, 64, 72), (110, 170, 235), m)
    cv.place(0, 0)
    for cx, cy in ((31, 74), (69, 71)):
        pm = part(cv, Ellipse(cx, cy, 4.3, 4.3), CREAM, INK)
        cv.paint(rim(pm, 1, 1, 1), CREAM_SHADE)


def _bubble(cv):
    tail = Polygon([(73, 22), (80, 25), (69, 33)])
    ball = Ellipse(84, 15, 13, 13)
    m = part(cv, ball | tail, ALERT, INK, ALERT_SHADE, depth=2)
    inner(cv, Rect(82, 5, 87, 18, 1.5), WHITE, m)
    inner(cv, Rect(82, 20, 87, 25, 1.5), WHITE, m)


def draw(name):
    pose = POSES[name]
    lift, squash, arm = pose["lift"], pose["squash"], pose["arm"]
    cv = Canvas(100, 100)
    _tail(cv, lift)
    _feet(cv, lift)
    _body(cv, lift, squash)
    _bag(cv, lift, squash, with_letter=arm != "letter")
    _scarf(cv, lift, squash)
    _arms(cv, arm, lift, squash)
    if arm == "high":
        _waving_arm(cv, lift)
    head_dy = lift + squash
    _ears(cv, head_dy)
    _head(cv, head_dy)
    _face(cv, pose["face"], head_dy)
    _cap(cv, head_dy)
    if arm == "letter":
        _held_letter(cv, lift)
        _bubble(cv)
    return cv
