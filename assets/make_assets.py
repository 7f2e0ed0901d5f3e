#!/usr/bin/env python3
"""Draws the program's artwork: the main window's background, the window icon,
the About entry's picture and the hand cursor.

Run it after changing the artwork or the control layout:
    /usr/bin/python3 assets/make_assets.py
It needs Pillow and the WenQuanYi Micro Hei font, and writes background.bmp
(100%, 96 dpi), background-125.png, background-150.png and background-200.png
(120, 144 and 192 dpi), main.ico, about.bmp and hand.cur next to itself; those
files are committed, so a build needs neither. Every face is placed from the
control table in app/form_layout.h, converted at each resolution exactly as
the program converts it, so the search box, the list and the click areas stay
under the controls that lie on them.
"""
import os
import re
import struct

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
LAYOUT_HEADER = os.path.join(HERE, "..", "app", "form_layout.h")
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

ART_W, ART_H = 540, 461   # covers the 539 x 459 client area at 96 dpi
# The resolutions drawn for, and the file each goes to (app/form_layout.h, kArtDpis).
# The larger drawings are PNG (a tenth of a megabyte for the three instead of six).
SCALES = ((96, "background.bmp"), (120, "background-125.png"), (144, "background-150.png"),
          (192, "background-200.png"))
SS = 4                    # shapes are drawn this many times larger, then reduced

# Palette: flat light blue.
BODY_TOP, BODY_BOTTOM = (244, 250, 255), (226, 240, 252)
BANNER_TOP, BANNER_BOTTOM = (92, 170, 232), (56, 138, 214)
LINE = (141, 189, 230)
INK = (38, 84, 128)
BLUE_FACE = ((104, 179, 238), (62, 143, 217), (46, 122, 196))      # top, bottom, border
RED_FACE = ((244, 106, 106), (214, 52, 58), (188, 36, 44))
FOOTER = (214, 233, 249)
WHITE = (255, 255, 255)


def layout(dpi):
    """{name: (left, top, right, bottom)} in pixels at dpi, from the C++ table,
    rounded as TwipsToPixels rounds."""
    text = open(LAYOUT_HEADER, encoding="utf-8").read()
    rows = re.findall(r'\{"([^"]+)",\s*\{(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\}\}', text)
    px = lambda t: (int(t) * dpi + 720) // 1440
    boxes = {}
    for name, l, t, w, h in rows:
        left, top = px(l), px(t)
        boxes[name] = (left, top, left + px(w), top + px(h))
    assert len(boxes) == 15, "control table not found in app/form_layout.h"
    return boxes


def font(size):
    return ImageFont.truetype(FONT, size, index=0)


def vgradient(draw, box, top, bottom, scale=1):
    l, t, r, b = [v * scale for v in box]
    h = max(b - t, 1)
    for y in range(t, b):
        f = (y - t) / h
        draw.line([(l, y), (r - 1, y)], fill=tuple(round(a + (c - a) * f) for a, c in zip(top, bottom)))


def face(img, box, colors, radius, px=1):
    """A rounded button face with a top-to-bottom shade and a border, drawn large;
    px is the width of one 96-dpi pixel at the drawing's resolution."""
    top, bottom, border = colors
    l, t, r, b = box
    w, h = (r - l) * SS, (b - t) * SS
    shade = Image.new("RGB", (w, h))
    vgradient(ImageDraw.Draw(shade), (0, 0, w, h), top, bottom)
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], radius * SS, fill=255)
    img.paste(shade, (l * SS, t * SS), mask)
    ImageDraw.Draw(img).rounded_rectangle([l * SS, t * SS, r * SS - 1, b * SS - 1], radius * SS,
                                          outline=border, width=px * SS)
    # a one-pixel highlight just inside the top edge
    y = (t + px) * SS + px * SS // 2
    ImageDraw.Draw(img).line([((l + radius) * SS, y), ((r - radius) * SS, y)],
                             fill=tuple(min(255, c + 40) for c in top), width=px * SS // 2)


def dashed_rect(draw, box, color, dash=4, gap=3, width=1):
    l, t, r, b = box
    for x in range(l, r, dash + gap):
        draw.line([(x, t), (min(x + dash - 1, r), t)], fill=color, width=width)
        draw.line([(x, b), (min(x + dash - 1, r), b)], fill=color, width=width)
    for y in range(t, b, dash + gap):
        draw.line([(l, y), (l, min(y + dash - 1, b))], fill=color, width=width)
        draw.line([(r, y), (r, min(y + dash - 1, b))], fill=color, width=width)


def centred_text(draw, box, text, fnt, fill):
    l, t, r, b = box
    x0, y0, x1, y1 = draw.textbbox((0, 0), text, font=fnt)
    draw.text(((l + r - (x1 - x0)) / 2 - x0, (t + b - (y1 - y0)) / 2 - y0), text, font=fnt, fill=fill)


def logo(size):
    """The game's mark: a white speech bubble with a question mark on a blue tile."""
    s = size * SS
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    tile = Image.new("RGB", (s, s))
    vgradient(ImageDraw.Draw(tile), (0, 0, s, s), (110, 188, 245), (40, 120, 205))
    mask = Image.new("L", (s, s), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, s - 1, s - 1], s // 5, fill=255)
    img.paste(tile, (0, 0), mask)
    d = ImageDraw.Draw(img)
    d.ellipse([s * 0.16, s * 0.14, s * 0.84, s * 0.72], fill=WHITE)
    d.polygon([(s * 0.30, s * 0.62), (s * 0.24, s * 0.88), (s * 0.50, s * 0.68)], fill=WHITE)
    f = font(int(s * 0.5))
    x0, y0, x1, y1 = d.textbbox((0, 0), "答", font=f)
    d.text((s / 2 - (x1 + x0) / 2, s * 0.43 - (y1 + y0) / 2), "答", font=f, fill=(48, 128, 210))
    return img.resize((size, size), Image.LANCZOS)


def background(dpi):
    """The background at dpi; every length below is given for 96 dpi and scaled."""
    boxes = layout(dpi)
    S = lambda v: int(v * dpi / 96 + 0.5)   # a 96-dpi length at dpi, as ScaledPixels rounds
    px = S(1)
    W, H = (ART_W * dpi + 95) // 96, (ART_H * dpi + 95) // 96   # ArtPixels
    big = Image.new("RGB", (W * SS, H * SS))
    d = ImageDraw.Draw(big)
    vgradient(d, (0, 0, W, H), BODY_TOP, BODY_BOTTOM, SS)

    # banner
    vgradient(d, (0, 0, W, S(36)), BANNER_TOP, BANNER_BOTTOM, SS)
    # footer band behind the link row
    footer_top = boxes["Link_Lbl(0)"][1] - S(12)
    d.rectangle([0, footer_top * SS, W * SS, H * SS], fill=FOOTER)
    d.line([(0, footer_top * SS), (W * SS, footer_top * SS)], fill=LINE, width=px * SS)

    # search box: white, its frame just outside Text1
    l, t, r, b = boxes["Text1"]
    m = S(3)
    d.rounded_rectangle([(l - m) * SS, (t - m) * SS, (r + m) * SS - 1, (b + m) * SS - 1], m * SS,
                        fill=WHITE, outline=(120, 172, 222), width=px * SS)
    # "清空" face: the height of the search box, inside Label34
    cl, ct, cr, cb = boxes["Label34"]
    clear_face = (cl + S(4), t - m, cr - S(4), b + m)
    face(big, clear_face, BLUE_FACE, S(4), px)

    # list frame with its header, under ListView1
    l, t, r, b = boxes["ListView1"]
    header_h = S(20)
    d.rectangle([(l - px) * SS, (t - px) * SS, (r + px) * SS - 1, (b + px) * SS - 1], fill=WHITE, outline=LINE,
                width=px * SS)
    vgradient(d, (l, t, r, t + header_h), (250, 252, 255), (226, 238, 250), SS)
    split = l + round((r - l) * 0.75)
    d.line([(split * SS, t * SS), (split * SS, (t + header_h) * SS)], fill=LINE, width=px * SS)
    d.line([(l * SS, (t + header_h) * SS), (r * SS, (t + header_h) * SS)], fill=LINE, width=px * SS)

    # display frame around Label2..Label4 and the copy face
    q = boxes["Label2"]
    a = boxes["Label4"]
    copy = boxes["Label1"]
    lst = boxes["ListView1"]
    panel = (lst[0] - px, q[1] - S(7), lst[2], max(a[3], copy[3]) + S(8))   # as wide as the list frame
    d.rounded_rectangle([panel[0] * SS, panel[1] * SS, panel[2] * SS, panel[3] * SS], S(4) * SS, fill=(252, 254, 255))
    face(big, copy, RED_FACE, S(4), px)

    # link faces
    for i in range(5):
        face(big, boxes["Link_Lbl(%d)" % i], BLUE_FACE, S(3), px)

    # banner logo
    art = big.resize((W, H), Image.LANCZOS)
    mark = logo(S(28))
    art.paste(mark, (S(8), S(4)), mark)

    d = ImageDraw.Draw(art)
    dashed_rect(d, panel, (120, 172, 222), S(4), S(3), px)
    # title and slogan
    d.text((S(44), S(6)), "ToviArdo答题器", font=font(S(18)), fill=WHITE)
    d.text((S(178), S(11)), "Tovi游戏门户 · 玩得开心，答得轻松", font=font(S(13)), fill=(222, 238, 252))
    # search caption, right-aligned before the box
    l, t, r, b = boxes["Text1"]
    cap = "查询关键字："
    f = font(S(13))
    x0, y0, x1, y1 = d.textbbox((0, 0), cap, font=f)
    d.text((l - S(6) - (x1 - x0) - x0, (t + b) / 2 - (y1 + y0) / 2), cap, font=f, fill=INK)
    centred_text(d, clear_face, "清空", font(S(13)), WHITE)
    # list header captions (the list draws its own header over these)
    l, t, r, b = boxes["ListView1"]
    d.text((l + S(6), t + S(3)), "题目", font=font(S(12)), fill=INK)
    d.text((split + S(6), t + S(3)), "答案", font=font(S(12)), fill=INK)
    centred_text(d, copy, "复制答案", font(S(12)), WHITE)
    # suggestion link, red and underlined, inside Label5
    l, t, r, b = boxes["Label5"]
    f = font(S(12))
    text = "提交我的建议>>"
    x0, y0, x1, y1 = d.textbbox((0, 0), text, font=f)
    d.text((l - x0, t + (b - t - (y1 - y0)) / 2 - y0), text, font=f, fill=(224, 32, 32))
    d.line([(l, b - px), (l + x1 - x0, b - px)], fill=(224, 32, 32), width=px)
    return art


def write_ico(path, images):
    """A .ico of 32-bit BGRA images, each with an opaque-where-drawn AND mask."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        w, h = img.size
        rgba = img.convert("RGBA")
        px = rgba.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
        stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + xor + mask
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


def hand_cursor():
    """32 x 32 monochrome pointing hand: 'W' white, 'B' black, '.' transparent.
    The fingertip's hot spot is (12, 4)."""
    W, B = 1, 2
    grid = [[0] * 32 for _ in range(32)]

    def fill_rect(x0, y0, x1, y1, v):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                grid[y][x] = v

    # silhouette in black, one pixel larger than the white body
    body = [
        (11, 4, 13, 4),    # fingertip, hot spot at its centre
        (10, 5, 14, 15),   # index finger
        (14, 11, 17, 15), (17, 12, 20, 15), (20, 13, 23, 16),   # folded fingers
        (7, 15, 23, 24),   # palm
        (5, 14, 8, 19), (6, 19, 9, 21),   # thumb
        (9, 25, 22, 26),   # wrist
    ]
    for x0, y0, x1, y1 in body:
        fill_rect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, B)
    for x0, y0, x1, y1 in body:
        fill_rect(x0, y0, x1, y1, W)
    grid[3][12] = B   # the outline's point sits right above the hot spot
    # knuckle creases
    for x, y0, y1 in ((14, 11, 14), (17, 12, 13), (20, 13, 14)):
        for y in range(y0, y1 + 1):
            grid[y][x] = B
    return grid


def write_cur(path, grid, hotspot):
    w = h = 32
    xor, mask = bytearray(), bytearray()
    for y in range(h - 1, -1, -1):
        xrow, mrow = bytearray(4), bytearray(4)
        for x in range(w):
            v = grid[y][x]
            if v == 0:
                mrow[x // 8] |= 0x80 >> (x % 8)   # transparent
            elif v == 1:
                xrow[x // 8] |= 0x80 >> (x % 8)   # white
        xor += xrow
        mask += mrow
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    blob = header + palette + xor + mask
    entry = struct.pack("<BBBBHHII", w, h, 2, 0, hotspot[0], hotspot[1], len(blob), 6 + 16)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 2, 1) + entry + blob)


def about_picture():
    s = 13 * SS
    img = Image.new("RGB", (s, s), WHITE)
    d = ImageDraw.Draw(img)
    d.ellipse([0, 0, s - 1, s - 1], fill=(56, 138, 214))
    d.ellipse([s * 0.44, s * 0.18, s * 0.58, s * 0.32], fill=WHITE)
    d.rectangle([s * 0.44, s * 0.40, s * 0.58, s * 0.80], fill=WHITE)
    return img.resize((13, 13), Image.LANCZOS)


def main():
    for dpi, name in SCALES:
        background(dpi).save(os.path.join(HERE, name), optimize=True)
    write_ico(os.path.join(HERE, "main.ico"), [logo(32), logo(16)])
    about_picture().save(os.path.join(HERE, "about.bmp"))
    write_cur(os.path.join(HERE, "hand.cur"), hand_cursor(), (12, 4))


if __name__ == "__main__":
    main()
