#!/usr/bin/python3
"""Draws the installer's own pictures from code and writes them in the formats the
resource script embeds:

  side_panel.bmp  bitmap 129: the wizard's side picture, 598 x 704, 8-bit palette, RLE8
  busy.gif        GIF 133: the busy animation of the initialization dialog, 146 x 95,
                  15 frames of 70 ms (disposal 1 for the scene, 2 for the dot strips)
  box.gif         GIF 132: a still 400 x 400 picture of the same motif

Pillow only rasterises the shapes; the BMP and GIF encoders are our own, so that every
byte (frame offsets, disposal methods, compression) is chosen here. Each file is decoded
again with Pillow and compared with what was drawn.
"""
import os
import struct
import sys

from PIL import Image, ImageDraw

# ---- colours -----------------------------------------------------------------------

# Shared by the side panel and the still picture: a calm blue sky over a light ground.
SKY_TOP = (38, 92, 158)
SKY_BOTTOM = (196, 222, 244)
BOX_TOP = (252, 226, 178)
BOX_FRONT = (232, 184, 118)
BOX_SIDE = (204, 150, 84)
BOX_TAPE = (176, 124, 64)
ARROW = (255, 255, 255)
GROUND_LINE = (160, 192, 224)

# The busy animation sits on a dialog: its background index is transparent and carries
# the usual button-face grey for decoders that ignore transparency.
DIALOG_FACE = (240, 240, 240)
DOT_DIM = (196, 206, 220)
DOT_BRIGHT = (40, 104, 184)
ANIM_ARROW = (40, 104, 184)

# ---- encoders ----------------------------------------------------------------------


def bmp_rle8(image):
    """An 8-bit palette BMP with RLE8 compression (rows bottom-up, runs of up to 255)."""
    width, height = image.size
    pixels = image.load()
    data = bytearray()
    for y in range(height - 1, -1, -1):
        x = 0
        while x < width:
            value = pixels[x, y]
            run = 1
            while x + run < width and run < 255 and pixels[x + run, y] == value:
                run += 1
            data += bytes((run, value))
            x += run
        data += b"\x00\x00"  # end of line
    data += b"\x00\x01"  # end of bitmap
    palette = image.getpalette()[: 256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    table = bytearray()
    for i in range(256):
        r, g, b = palette[3 * i: 3 * i + 3]
        table += bytes((b, g, r, 0))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data), 2835, 2835,
                       256, 0)
    return header + info + table + data


def lzw(indices, min_code_size):
    """GIF's variable-length LZW: codes packed least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bits = 0
    bit_count = 0

    def emit(code, size):
        nonlocal bits, bit_count
        bits |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            bit_count -= 8

    def reset():
        return {}, end + 1, min_code_size + 1

    table, next_code, code_size = reset()
    emit(clear, code_size)
    prefix = indices[0]
    for value in indices[1:]:
        key = (prefix, value)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, code_size)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << code_size) and code_size < 12:
                code_size += 1
        else:
            emit(clear, code_size)
            table, next_code, code_size = reset()
        prefix = value
    emit(prefix, code_size)
    emit(end, code_size)
    if bit_count:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for at in range(0, len(data), 255):
        chunk = data[at: at + 255]
        out += bytes((len(chunk),)) + chunk
    return out + b"\x00"


def gif(size, palette, frames, loop=None):
    """frames: (image, left, top, delay, disposal, transparent index or None)."""
    size_code = max(0, (len(palette) - 1).bit_length() - 1)
    entries = 1 << (size_code + 1)
    table = bytearray()
    for colour in palette + [(0, 0, 0)] * (entries - len(palette)):
        table += bytes(colour)
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", size[0], size[1], 0x80 | (size_code << 4) | size_code, 0, 0)
    out += table
    if loop is not None:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", loop) + b"\x00"
    min_code_size = max(2, size_code + 1)
    for image, left, top, delay, disposal, transparent in frames:
        packed = (disposal << 2) | (1 if transparent is not None else 0)
        out += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, packed, delay, transparent or 0, 0)
        out += struct.pack("<BHHHHB", 0x2C, left, top, image.size[0], image.size[1], 0)
        out += bytes((min_code_size,)) + sub_blocks(lzw(list(image.getdata()), min_code_size))
    return bytes(out + b"\x3B")


# ---- drawing -----------------------------------------------------------------------


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def lighter(colour, amount):
    return blend(colour, (255, 255, 255), amount)


def draw_box(draw, ink, cx, base, scale, shaft_length=34):
    """A closed parcel seen from the front-left, with an arrow coming down into it."""
    def s(value):
        return round(value * scale)

    w, d, h = s(60), s(26), s(52)
    left = cx - w // 2
    top = base - h
    draw.polygon([(left, top), (left + w, top), (left + w + d, top - d), (left + d, top - d)],
                 fill=ink["box_top"])
    draw.rectangle([left, top, left + w, base], fill=ink["box_front"])
    draw.polygon([(left + w, top), (left + w + d, top - d), (left + w + d, base - d),
                  (left + w, base)], fill=ink["box_side"])
    tape = s(6)
    draw.rectangle([cx - tape // 2, top, cx + tape // 2, base], fill=ink["box_tape"])
    draw.polygon([(cx - tape // 2, top), (cx + tape // 2, top),
                  (cx + tape // 2 + d, top - d), (cx - tape // 2 + d, top - d)],
                 fill=ink["box_tape"])
    # The arrow: a shaft and a head pointing at the lid.
    shaft, head = s(8), s(20)
    tip = top - d // 2 - s(6)
    ax = cx + d // 2
    draw.rectangle([ax - shaft // 2, tip - head - s(shaft_length), ax + shaft // 2, tip - head],
                   fill=ink["arrow"])
    draw.polygon([(ax - head, tip - head), (ax + head, tip - head), (ax, tip)],
                 fill=ink["arrow"])


def gradient_picture(width, height, levels, draw_motif, rings):
    """A vertical sky gradient with soft lighter rings, then the motif on top. Every row of
    the gradient is one palette entry, so the picture compresses to runs."""
    palette = []
    base = []
    for level in range(levels):
        colour = blend(SKY_TOP, SKY_BOTTOM, level / (levels - 1))
        palette.append(colour)
    light_start = len(palette)
    for level in range(levels):
        palette.append(lighter(palette[level], 0.10))
    ink = {}
    for name, colour in (("box_top", BOX_TOP), ("box_front", BOX_FRONT),
                         ("box_side", BOX_SIDE), ("box_tape", BOX_TAPE), ("arrow", ARROW),
                         ("ground", GROUND_LINE)):
        ink[name] = len(palette)
        palette.append(colour)
    image = Image.new("P", (width, height))
    image.putpalette([c for colour in palette for c in colour])
    pixels = image.load()
    for y in range(height):
        base.append(min(levels - 1, y * levels // height))
    mask = Image.new("1", (width, height))
    mask_draw = ImageDraw.Draw(mask)
    for cx, cy, outer, inner in rings:
        mask_draw.ellipse([cx - outer, cy - outer, cx + outer, cy + outer], fill=1)
        mask_draw.ellipse([cx - inner, cy - inner, cx + inner, cy + inner], fill=0)
    ring = mask.load()
    for y in range(height):
        for x in range(width):
            pixels[x, y] = base[y] + (light_start if ring[x, y] else 0)
    draw_motif(ImageDraw.Draw(image), ink)
    return image, palette


def side_panel():
    width, height = 598, 704

    def motif(draw, ink):
        for i, y in enumerate(range(560, 704, 24)):
            draw.rectangle([0, y, width, y + 1 + i // 2], fill=ink["ground"])
        draw_box(draw, ink, 280, 540, 3)

    image, _ = gradient_picture(width, height, 96, motif,
                                [(520, 90, 240, 200), (520, 90, 150, 120), (40, 470, 180, 150)])
    return image


def still_picture():
    def motif(draw, ink):
        draw.rectangle([0, 330, 400, 333], fill=ink["ground"])
        draw_box(draw, ink, 180, 320, 2)

    image, palette = gradient_picture(400, 400, 48, motif, [(360, 40, 160, 130)])
    return image, palette


def busy_animation():
    """A parcel with an arrow and a row of fourteen dots; the lit dot walks along the row.
    Frame 0 is the whole scene (kept: disposal 1); frames 1 to 14 are the dot strip with
    one dot lit, each cleared to the background after its time (disposal 2)."""
    width, height = 146, 95
    palette = [DIALOG_FACE, DOT_DIM, DOT_BRIGHT, BOX_TOP, BOX_FRONT, BOX_SIDE, BOX_TAPE,
               ANIM_ARROW]
    ink = {"box_top": 3, "box_front": 4, "box_side": 5, "box_tape": 6, "arrow": 7}
    flat = [c for colour in palette for c in colour]

    dots = [(12 + 9 * i, 86) for i in range(14)]
    strip = (7, 81, 134, 10)  # left, top, width, height

    def dot_row(draw, lit, dx, dy):
        for i, (x, y) in enumerate(dots):
            draw.ellipse([x - 3 + dx, y - 3 + dy, x + 3 + dx, y + 3 + dy],
                         fill=2 if i == lit else 1)

    scene = Image.new("P", (width, height), 0)
    scene.putpalette(flat)
    draw = ImageDraw.Draw(scene)
    draw_box(draw, ink, 64, 72, 0.7, shaft_length=12)
    dot_row(draw, None, 0, 0)
    frames = [(scene, 0, 0, 7, 1, 0)]
    for lit in range(14):
        part = Image.new("P", strip[2:], 0)
        part.putpalette(flat)
        dot_row(ImageDraw.Draw(part), lit, -strip[0], -strip[1])
        frames.append((part, strip[0], strip[1], 7, 2, 0))
    return (width, height), palette, frames


# ---- checks ------------------------------------------------------------------------


def same_pixels(decoded, drawn, label):
    a = decoded.convert("RGB")
    b = drawn.convert("RGB")
    if a.size != b.size or a.tobytes() != b.tobytes():
        sys.exit(f"{label}: the written file does not decode to the drawn picture")


def check_gif(path, size, palette, frames):
    """Every opaque pixel of every frame decodes to the colour it was drawn with."""
    with Image.open(path) as image:
        if image.size != size or getattr(image, "n_frames", 1) != len(frames):
            sys.exit(f"{path}: size or frame count differs")
        for index, (drawn, left, top, *_rest) in enumerate(frames):
            image.seek(index)
            decoded = image.convert("RGB")
            for y in range(drawn.size[1]):
                for x in range(drawn.size[0]):
                    value = drawn.getpixel((x, y))
                    if value != 0 and decoded.getpixel((left + x, top + y)) != palette[value]:
                        sys.exit(f"{path}: frame {index} decodes differently")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)

    panel = side_panel()
    path = os.path.join(out, "side_panel.bmp")
    with open(path, "wb") as f:
        f.write(bmp_rle8(panel))
    with Image.open(path) as decoded:
        same_pixels(decoded, panel, path)

    still, palette = still_picture()
    path = os.path.join(out, "box.gif")
    frame = [(still, 0, 0, 0, 0, None)]
    with open(path, "wb") as f:
        f.write(gif(still.size, palette, frame))
    with Image.open(path) as decoded:
        same_pixels(decoded, still, path)

    size, palette, frames = busy_animation()
    path = os.path.join(out, "busy.gif")
    with open(path, "wb") as f:
        f.write(gif(size, palette, frames, loop=0))
    check_gif(path, size, palette, frames)

    for name in ("side_panel.bmp", "busy.gif", "box.gif"):
        print(f"{name}: {os.path.getsize(os.path.join(out, name))} bytes")


if __name__ == "__main__":
    main()
