#!/usr/bin/env python3
"""Draws the backup and restore screens' own images into images/: the result icons
(a green tick and a red cross), the busy animation (an uncompressed 8-bit AVI that
the Animate control plays without a codec) and the device class icons that stand
in where the system has no class image list. The output is checked in; run this
again after changing a shape or a colour."""
import math
import pathlib
import struct

OUT = pathlib.Path(__file__).resolve().parent / "images"


def icon_file(size, pixel):
    """An ICO of one 32-bit image; pixel(x, y) -> (r, g, b, a), y from the top."""
    rows = []
    for y in reversed(range(size)):
        rows.append(b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in (pixel(x, y) for x in range(size))))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    andmask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    image = header + xor + andmask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    return directory + image


def disc(cx, cy, radius, colour, mark):
    def pixel(x, y):
        d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        if d > radius + 0.5:
            return (0, 0, 0, 0)
        alpha = 255 if d <= radius - 0.5 else int(255 * (radius + 0.5 - d))
        if mark(x + 0.5, y + 0.5):
            return (255, 255, 255, alpha)
        return colour + (alpha,)
    return pixel


def near_segment(px, py, ax, ay, bx, by, width):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy)) <= width


def tick(x, y):
    return near_segment(x, y, 9, 16, 14, 22, 2.2) or near_segment(x, y, 14, 22, 23, 10, 2.2)


def cross(x, y):
    return near_segment(x, y, 10, 10, 22, 22, 2.2) or near_segment(x, y, 22, 10, 10, 22, 2.2)


def class_icon(colour, mark):
    """16 x 16: a rounded tile in the class colour with a white mark."""
    def pixel(x, y):
        inside = 1 <= x <= 14 and 1 <= y <= 14 and not (x in (1, 14) and y in (1, 14))
        if not inside:
            return (0, 0, 0, 0)
        if mark(x, y):
            return (255, 255, 255, 255)
        return colour + (255,)
    return pixel


CLASS_ICONS = [
    # file stem, colour, mark: a generic device first (index 0), then by class
    ("class_device", (96, 110, 124), lambda x, y: 4 <= x <= 11 and 5 <= y <= 10 and not (5 <= x <= 10 and 6 <= y <= 9)),
    ("class_system", (52, 101, 164), lambda x, y: 4 <= x <= 11 and 4 <= y <= 11 and (x + y) % 3 == 0),
    ("class_display", (46, 139, 87), lambda x, y: (3 <= x <= 12 and 4 <= y <= 9 and not (4 <= x <= 11 and 5 <= y <= 8)) or (7 <= x <= 8 and 10 <= y <= 12)),
    ("class_network", (205, 120, 30), lambda x, y: (x in (4, 11) and 4 <= y <= 11) or (y == 8 and 4 <= x <= 11)),
    ("class_sound", (150, 70, 160), lambda x, y: (4 <= x <= 6 and 6 <= y <= 10) or (x == 9 and 4 <= y <= 12) or (x == 11 and 6 <= y <= 10)),
    ("class_storage", (120, 90, 60), lambda x, y: 4 <= x <= 11 and y in (5, 8, 11)),
    ("class_input", (60, 140, 160), lambda x, y: 4 <= x <= 11 and 7 <= y <= 11 and (x + y) % 2 == 0),
    ("class_usb", (80, 80, 170), lambda x, y: (x == 8 and 3 <= y <= 12) or (y == 6 and 5 <= x <= 11) or (x in (5, 11) and 6 <= y <= 8)),
]


def animation():
    """An uncompressed 8-bit AVI, 25 x 36, eight frames of a dot circling."""
    width, height, frames = 25, 36, 8
    palette = [(255, 255, 255)] + [(40 + i * 25, 110 + i * 15, 200) for i in range(8)] + [(225, 225, 225)] * 247
    stride = (width + 3) & ~3
    images = []
    for f in range(frames):
        pixels = bytearray(stride * height)
        for y in range(height):
            for x in range(width):
                colour = 0
                for trail in range(4):
                    angle = 2 * math.pi * ((f - trail) % frames) / frames
                    cx = 12.5 + 8 * math.sin(angle)
                    cy = 18 + 8 * math.cos(angle)
                    if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= 3.2 - trail * 0.5:
                        colour = 8 - trail * 2
                        break
                pixels[(height - 1 - y) * stride + x] = colour
        images.append(bytes(pixels))

    def chunk(tag, data):
        pad = b"\0" if len(data) % 2 else b""
        return tag + struct.pack("<I", len(data)) + data + pad

    def riff_list(kind, tag, body):
        return kind + struct.pack("<I", len(body) + 4) + tag + body

    frame_bytes = stride * height
    avih = struct.pack("<IIIIIIIIII4I", 125000, frame_bytes * 8, 0, 0x10, frames, 0, 1, frame_bytes, width, height, 0, 0, 0, 0)
    strh = b"vids" + b"DIB " + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 8, 0, frames, frame_bytes, 0xFFFFFFFF, 0, 0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, frame_bytes, 0, 0, 256, 0)
    strf += b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_body = b""
    index = b""
    for image in images:
        index += b"00db" + struct.pack("<III", 0x10, 4 + len(movi_body), len(image))
        movi_body += chunk(b"00db", image)
    movi = riff_list(b"LIST", b"movi", movi_body)
    return riff_list(b"RIFF", b"AVI ", hdrl + movi + chunk(b"idx1", index))


def main():
    OUT.mkdir(exist_ok=True)
    (OUT / "result_done.ico").write_bytes(icon_file(32, disc(16, 16, 14.5, (0, 130, 44), tick)))
    (OUT / "result_failed.ico").write_bytes(icon_file(32, disc(16, 16, 14.5, (169, 1, 1), cross)))
    for stem, colour, mark in CLASS_ICONS:
        (OUT / f"{stem}.ico").write_bytes(icon_file(16, class_icon(colour, mark)))
    (OUT / "busy.avi").write_bytes(animation())


if __name__ == "__main__":
    main()
