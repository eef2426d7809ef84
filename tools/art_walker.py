"""The secondary figure: a little letter-bird, an envelope with a sky-blue
head, wings and tail, that flutters across the screen during the alert.

Drawn heading left; the right-heading frames are exact mirror images. The
tilted frames lean the bird forward by a few degrees, drop it a little and
beat the wings down, so the two frames alternate as a flapping bob.
"""

from art_raster import Canvas, Ellipse, Polygon, Rect, Stroke, Turned, inner, mirrored, part, rim, sprite

INK = (30, 38, 72)
SKY = (112, 182, 244)
SKY_SHADE = (66, 128, 214)
SKY_LIGHT = (176, 222, 255)
PAPER = (252, 250, 240)
PAPER_SHADE = (222, 214, 250)
BEAK = (255, 164, 40)
BEAK_SHADE = (222, 112, 24)
SEAL = (222, 58, 72)
CHEEK = (255, 150, 170)
EYE = (24, 24, 40)
WHITE = (255, 255, 255)


# wing root and direction (degrees, clockwise from pointing backwards)
WING_UP = ((56, 45), -58)
WING_DOWN = ((56, 50), 40)

BIRD_EYE = """
.XXX.
XWWXX
XWWXX
XXXXX
XXXWX
.XXX.
"""


def _wing(cv, pose, fill, shade, light=None, size=1.0):
    """A rounded wing with a scalloped feather edge and two feather lines."""
    (x, y), angle = pose
    body = Ellipse(9 * size, 0, 10.5 * size, 6 * size)
    tips = Ellipse(17 * size, -2.5 * size, 3.4 * size) | Ellipse(18 * size, 2 * size, 3.2 * size) | \
        Ellipse(14 * size, 5 * size, 2.8 * size)
    m = part(cv, Turned(body | tips, angle, (x, y)), fill, INK, shade, light=light, depth=1)
    for off in (-1.2, 2.6):
        line = Turned(Stroke([(11 * size, off * size), (18 * size, off * size)], 0.55), angle, (x, y))
        inner(cv, line, shade, m)
    return m


def _bird(cv, wings_up):
    # tail feathers
    for ty in (44, 49, 54):
        part(cv, Stroke([(64, 50), (77, ty)], 3.2, 2.2), SKY, INK, SKY_SHADE, depth=1)
    # tiny tucked feet
    for x in (47, 54):
        part(cv, Stroke([(x, 61), (x - 2, 66)], 1.3), BEAK, INK)
    # the envelope body
    body = Rect(37, 42, 68, 62, 2)
    m = part(cv, body, PAPER, INK, PAPER_SHADE, shade_dir=(0, 1), depth=2)
    flap = Polygon([(36, 41), (69, 41), (52.5, 54)])
    fm = inner(cv, flap, PAPER, m)
    cv.paint(rim(fm, 0, 1, 1) & m, INK)
    inner(cv, Ellipse(52.5, 53.5, 3.4, 3.2), SEAL, m)
    # head, tuft, beak and face
    part(cv, Polygon([(28, 29), (30, 21), (34, 28)]) | Polygon([(31, 28), (36, 23), (36, 30)]), SKY, INK)
    part(cv, Stroke([(21, 37), (14, 41), (21, 44)], 2.2, 1.4), BEAK, INK, BEAK_SHADE, depth=1)
    head = Ellipse(31, 39, 11.5, 11)
    hm = part(cv, head, SKY, INK, SKY_SHADE, light=SKY_LIGHT, depth=2)
    ex, ey = cv.forward(25.5, 36)
    sprite(cv, ex, ey, BIRD_EYE, {"X": EYE, "W": WHITE})
    inner(cv, Ellipse(28.5, 44, 2.6, 1.4), CHEEK, hm)
    _wing(cv, WING_UP if wings_up else WING_DOWN, SKY, SKY_SHADE, SKY_LIGHT, size=1.15)


def frame(tilted):
    cv = Canvas(100, 100)
    if tilted:
        cv.place(5, 7, angle=-12, pivot=(50, 48), scale=1.25)
    else:
        cv.place(5, 4, pivot=(50, 48), scale=1.25)
    _bird(cv, wings_up=not tilted)
    return cv


def draw_all():
    left = frame(False)
    left_tilt = frame(True)
    return [("walker_left", left), ("walker_left_tilt", left_tilt),
            ("walker_right", mirrored(left)), ("walker_right_tilt", mirrored(left_tilt))]
