#!/usr/bin/python3
"""Generates Pawmelo's artwork into assets/ (standard library only).

    /usr/bin/python3 tools/make_art.py [--sheet PATH]

Writes the mascot poses, the walker frames, the panel icon and decoration
and the two status lamps, then prints the rectangle count of each mascot
picture's window region. The output is byte-for-byte reproducible. With
--sheet it also writes an enlarged contact sheet of every picture, on the
key colour, on a dark and on a white background, for looking them over.
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep tools/ free of __pycache__
sys.path.insert(0, HERE)

import art_codecs  # noqa: E402
import art_mascot  # noqa: E402
import art_panel  # noqa: E402
import art_walker  # noqa: E402
from art_raster import KEY, Canvas, band_rectangles, check_key_safe  # noqa: E402

ROOT = os.path.dirname(HERE)
MASCOT_DIR = os.path.join(ROOT, "assets", "mascot")
LAMP_DIR = os.path.join(ROOT, "assets", "画像データ")
PANEL_DIR = os.path.join(ROOT, "assets", "panel")
DESKTOP_DIR = os.path.join(ROOT, "assets", "desktop")

# The windows scan this far past the picture (its region takes in the strip
# beyond the last pixel), so the real region has a few more rectangles.
SCAN_LIMIT = {"primary": 120, "secondary": 100}
LIMITS = {"primary": 300, "secondary": 500}


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def region_counts(canvas, kind):
    opaque = canvas.opaque()
    figure = band_rectangles(opaque, canvas.w, canvas.h)
    limit = SCAN_LIMIT[kind] + 1
    scanned = set(opaque)
    for y in range(limit):
        for x in range(limit):
            if x >= canvas.w or y >= canvas.h:
                scanned.add((x, y))
    return figure, band_rectangles(scanned, limit, limit)


def rgb_pixels(canvas):
    return [KEY if c is None else c for c in canvas.px]


def indexed(canvas):
    palette = [KEY]
    lookup = {KEY: 0}
    indices = []
    for c in rgb_pixels(canvas):
        if c not in lookup:
            lookup[c] = len(palette)
            palette.append(c)
        indices.append(lookup[c])
    return palette, indices


def check_same_outline(name, cv, outline_name, outline):
    """The primary window shows the alert picture inside the region of pose
    A, so any pixel of it outside that outline would be cut away and any key
    pixel inside it would show as a grey patch: the two opaque sets must be
    the same."""
    extra = sorted(cv.opaque() - outline.opaque(), key=lambda p: (p[1], p[0]))
    holes = sorted(outline.opaque() - cv.opaque(), key=lambda p: (p[1], p[0]))
    if extra or holes:
        raise SystemExit("%s does not fill the outline of %s: %d pixels outside it (first %s), "
                         "%d key pixels inside it (first %s)"
                         % (name, outline_name, len(extra), extra[:3], len(holes), holes[:3]))


def make_mascots(pictures):
    report = []
    drawn = {}
    for name, fname in (("a", "pose_a"), ("b", "pose_b"), ("c", "pose_c"), ("alert", "alert")):
        cv = art_mascot.draw(name)
        check_key_safe(cv)
        drawn[fname] = cv
        if name == "alert":
            check_same_outline(fname, cv, "pose_a", drawn["pose_a"])
        write(os.path.join(MASCOT_DIR, fname + ".png"), art_codecs.png_rgb(100, 100, rgb_pixels(cv)))
        report.append((fname, "primary", cv))
        pictures.append((fname, cv))
    for fname, cv in art_walker.draw_all():
        check_key_safe(cv)
        palette, idx = indexed(cv)
        write(os.path.join(MASCOT_DIR, fname + ".png"), art_codecs.png_indexed(100, 100, palette, idx))
        report.append((fname, "secondary", cv))
        pictures.append((fname, cv))
    ok = True
    for fname, kind, cv in report:
        figure, scanned = region_counts(cv, kind)
        flag = "" if figure <= LIMITS[kind] else "  OVER %d" % LIMITS[kind]
        ok = ok and not flag
        print("%-18s %-9s rectangles: %3d (with the scan strip: %3d)%s" % (fname, kind, figure, scanned, flag))
    return ok


def make_desktop_icon(pose_a):
    """The menu's icon: pose A's figure, pixel for pixel, centred on a
    transparent 128 x 128 square (a size icon themes have, so it is shown
    unscaled at that size)."""
    side = 128
    opaque = pose_a.opaque()
    x0, x1 = min(x for x, _ in opaque), max(x for x, _ in opaque)
    y0, y1 = min(y for _, y in opaque), max(y for _, y in opaque)
    dx = (side - (x1 - x0 + 1)) // 2 - x0
    dy = (side - (y1 - y0 + 1)) // 2 - y0
    icon = Canvas(side, side)
    for x, y in opaque:
        icon.set(x + dx, y + dy, pose_a.get(x, y))
    write(os.path.join(DESKTOP_DIR, "icon_128.png"), art_codecs.png_rgba(side, side, art_panel.rgba_pixels(icon)))


def make_panel(pictures):
    icon = art_panel.icon()
    write(os.path.join(PANEL_DIR, "icon.png"), art_codecs.png_rgba(icon.w, icon.h, art_panel.rgba_pixels(icon)))
    pictures.append(("icon", icon))
    deco = art_panel.picture5()
    write(os.path.join(PANEL_DIR, "picture5.png"), art_codecs.png_rgb(deco.w, deco.h, rgb_pixels(deco)))
    pictures.append(("picture5", deco))
    for name, colour in (("Green", "green"), ("Red", "red")):
        lamp = art_panel.lamp(colour)
        palette, idx, transparent = art_panel.lamp_indexed(lamp)
        write(os.path.join(LAMP_DIR, name + ".gif"), art_codecs.gif(16, 16, palette, idx, transparent))
        pictures.append((name, lamp))


def contact_sheet(path, groups, scale=3):
    """Every picture enlarged, each group once on the key colour, once on a
    dark and once on a white background (transparency shown as those)."""
    backgrounds = [None, (32, 32, 40), (255, 255, 255)]
    gap = 8
    sheet_w = max(sum(cv.w * scale + gap for _, cv in g) for g in groups) + gap
    rows = []
    for g in groups:
        for bg in backgrounds:
            rows.append((g, bg, max(cv.h for _, cv in g) * scale))
    sheet_h = sum(h + gap for _, _, h in rows) + gap
    px = [(90, 90, 100)] * (sheet_w * sheet_h)
    y0 = gap
    for g, bg, row_h in rows:
        x0 = gap
        for _, cv in g:
            for y in range(cv.h * scale):
                line = (y0 + y) * sheet_w + x0
                for x in range(cv.w * scale):
                    c = cv.px[(y // scale) * cv.w + x // scale]
                    px[line + x] = (KEY if bg is None else bg) if c is None else c[:3]
            x0 += cv.w * scale + gap
        y0 += row_h + gap
    write(path, art_codecs.png_rgb(sheet_w, sheet_h, px))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sheet", help="also write an enlarged contact sheet PNG here")
    parser.add_argument("--scale", type=int, default=3)
    args = parser.parse_args()
    mascots = []
    ok = make_mascots(mascots)
    make_desktop_icon(dict(mascots)["pose_a"])
    panel = []
    make_panel(panel)
    if args.sheet:
        groups = [mascots[:4], mascots[4:], panel[:1] + panel[2:], panel[1:2]]
        contact_sheet(args.sheet, groups, args.scale)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
