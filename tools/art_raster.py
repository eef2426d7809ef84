"""Hard-edged raster drawing for the pixel-art generators.

Shapes are point predicates in a local coordinate frame; a canvas samples
them at pixel centres, optionally through a rotation, so every pixel is
either fully inside a shape or not at all: no anti-aliasing, which keeps the
mascot outlines crisp against the transparent key colour.
"""

import math

KEY = (192, 192, 192)


# ----------------------------------------------------------------- shapes

class Shape:
    def contains(self, x, y):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Intersect(self, other)

    def __sub__(self, other):
        return Difference(self, other)


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry=None):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, rx if ry is None else ry

    def contains(self, x, y):
        dx = (x - self.cx) / self.rx
        dy = (y - self.cy) / self.ry
        return dx * dx + dy * dy <= 1.0


class Rect(Shape):
    """Axis-aligned box [x0, x1) × [y0, y1), optionally with rounded corners."""

    def __init__(self, x0, y0, x1, y1, radius=0.0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, radius

    def contains(self, x, y):
        if not (self.x0 <= x < self.x1 and self.y0 <= y < self.y1):
            return False
        r = self.r
        if r <= 0:
            return True
        cx = min(max(x, self.x0 + r), self.x1 - r)
        cy = min(max(y, self.y0 + r), self.y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Polygon(Shape):
    def __init__(self, points):
        self.points = list(points)

    def contains(self, x, y):
        inside = False
        pts = self.points
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    inside = not inside
            j = i
        return inside


class Stroke(Shape):
    """A thick polyline with round ends and joints; the width may taper."""

    def __init__(self, points, r0, r1=None):
        self.points = list(points)
        self.r0 = r0
        self.r1 = r0 if r1 is None else r1
        lengths = [0.0]
        for (ax, ay), (bx, by) in zip(self.points, self.points[1:]):
            lengths.append(lengths[-1] + math.hypot(bx - ax, by - ay))
        self.lengths = lengths

    def contains(self, x, y):
        total = self.lengths[-1] or 1.0
        for i, ((ax, ay), (bx, by)) in enumerate(zip(self.points, self.points[1:])):
            vx, vy = bx - ax, by - ay
            seg2 = vx * vx + vy * vy
            t = 0.0 if seg2 == 0 else max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / seg2))
            px, py = ax + t * vx, ay + t * vy
            along = (self.lengths[i] + t * (self.lengths[i + 1] - self.lengths[i])) / total
            r = self.r0 + (self.r1 - self.r0) * along
            if (x - px) ** 2 + (y - py) ** 2 <= r * r:
                return True
        return False


def bezier(p0, p1, p2, p3, steps=12):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        pts.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                    u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return pts


class Turned(Shape):
    """Another shape drawn in its own frame: turned by `angle` degrees
    (clockwise on screen) about its origin, which is put at `at`."""

    def __init__(self, shape, angle, at):
        self.shape, self.at = shape, at
        self.cos = math.cos(math.radians(angle))
        self.sin = math.sin(math.radians(angle))

    def contains(self, x, y):
        rx, ry = x - self.at[0], y - self.at[1]
        return self.shape.contains(rx * self.cos + ry * self.sin, -rx * self.sin + ry * self.cos)


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def contains(self, x, y):
        return any(p.contains(x, y) for p in self.parts)


class Intersect(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def contains(self, x, y):
        return self.a.contains(x, y) and self.b.contains(x, y)


class Difference(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def contains(self, x, y):
        return self.a.contains(x, y) and not self.b.contains(x, y)


# ----------------------------------------------------------------- canvas

class Canvas:
    """A grid of colours; None is the transparent key.

    `place` maps local shape coordinates onto the canvas: a shift, a
    rotation in degrees about a pivot, and a horizontal mirror, applied by
    sampling each pixel centre through the inverse mapping.
    """

    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [None] * (width * height)
        self.place(0, 0)

    def place(self, dx=0.0, dy=0.0, angle=0.0, pivot=(50.0, 50.0), scale=1.0):
        self.dx, self.dy, self.scale = dx, dy, scale
        self.cos = math.cos(math.radians(angle))
        self.sin = math.sin(math.radians(angle))
        self.pivot = pivot

    def _local(self, px, py):
        x, y = px + 0.5 - self.dx, py + 0.5 - self.dy
        ox, oy = self.pivot
        rx, ry = (x - ox) / self.scale, (y - oy) / self.scale
        # inverse rotation (screen y points down, positive angle turns clockwise)
        return ox + rx * self.cos + ry * self.sin, oy - rx * self.sin + ry * self.cos

    def forward(self, x, y):
        """The canvas pixel where local point (x, y) lands."""
        ox, oy = self.pivot
        rx, ry = x - ox, y - oy
        sx = ox + (rx * self.cos - ry * self.sin) * self.scale + self.dx
        sy = oy + (rx * self.sin + ry * self.cos) * self.scale + self.dy
        return int(math.floor(sx)), int(math.floor(sy))

    def mask(self, shape):
        out = set()
        for py in range(self.h):
            for px in range(self.w):
                lx, ly = self._local(px, py)
                if shape.contains(lx, ly):
                    out.add((px, py))
        return out

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y * self.w + x]
        return None

    def set(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = colour

    def paint(self, pixels, colour):
        for x, y in pixels:
            self.set(x, y, colour)

    def dot(self, points, colour):
        """Single pixels in canvas coordinates after the current shift."""
        for x, y in points:
            self.set(int(x + self.dx), int(y + self.dy), colour)

    def opaque(self):
        return {(i % self.w, i // self.w) for i, c in enumerate(self.px) if c is not None}


def sprite(canvas, x0, y0, rows, colours):
    """Hand-placed pixels: `rows` is a block of text, one character per
    pixel; characters missing from `colours` are left alone."""
    for y, line in enumerate(rows.strip("\n").splitlines()):
        for x, ch in enumerate(line):
            if ch in colours:
                canvas.set(x0 + x, y0 + y, colours[ch])


def grow(pixels, diagonal=False):
    """The pixels plus their 4-neighbours (or 8-neighbours)."""
    steps = [(1, 0), (-1, 0), (0, 1), (0, -1)]
    if diagonal:
        steps += [(1, 1), (1, -1), (-1, 1), (-1, -1)]
    out = set(pixels)
    for x, y in pixels:
        for sx, sy in steps:
            out.add((x + sx, y + sy))
    return out


def rim(pixels, dx, dy, depth=1):
    """Pixels of the set whose neighbour `depth` steps along (dx, dy) lies
    outside it: the edge of the shape facing that direction."""
    return {(x, y) for x, y in pixels
            if any((x + dx * k, y + dy * k) not in pixels for k in range(1, depth + 1))}


def part(canvas, shape, fill, outline, shade=None, light=None, shade_dir=(1, 1), depth=2):
    """Draws a shape with its own one-pixel outline, over whatever is below.

    Drawing the parts back to front, each with its outline, gives the inner
    contour lines where a front part overlaps a back part.
    """
    m = canvas.mask(shape)
    canvas.paint(grow(m) - m, outline)
    canvas.paint(m, fill)
    if shade is not None:
        canvas.paint(rim(m, shade_dir[0], shade_dir[1], depth), shade)
    if light is not None:
        canvas.paint(rim(m, -shade_dir[0], -shade_dir[1], 1) - rim(m, shade_dir[0], shade_dir[1], depth), light)
    return m


def inner(canvas, shape, colour, clip=None):
    """Fills a shape without outline, optionally only inside `clip` pixels."""
    m = canvas.mask(shape)
    if clip is not None:
        m &= clip
    canvas.paint(m, colour)
    return m


# ----------------------------------------------------------------- analysis

def band_rectangles(opaque, width, height):
    """Rectangles of the y-x banded region made of the opaque pixels: the
    runs of each row, with consecutive rows of identical runs merged into
    one band."""
    total = 0
    previous = None
    for y in range(height):
        runs = []
        x = 0
        while x < width:
            if (x, y) in opaque:
                start = x
                while x < width and (x, y) in opaque:
                    x += 1
                runs.append((start, x))
            else:
                x += 1
        if runs != previous:
            total += len(runs)
        previous = runs
    return total


def check_key_safe(canvas, margin=24):
    """Every figure colour must stay clearly apart from the key colour, or
    it would read as a hole or a halo once the key turns transparent."""
    for i, c in enumerate(canvas.px):
        if c is None:
            continue
        if all(abs(v - k) <= margin for v, k in zip(c, KEY)):
            raise ValueError("colour %r at %d,%d is too close to the key" % (c, i % canvas.w, i // canvas.w))


def mirrored(canvas):
    out = Canvas(canvas.w, canvas.h)
    for y in range(canvas.h):
        for x in range(canvas.w):
            out.px[y * out.w + x] = canvas.px[y * canvas.w + canvas.w - 1 - x]
    return out
