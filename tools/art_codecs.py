"""Minimal, deterministic PNG and GIF writers (standard library only).

The files carry no time stamps, no gamma or colour-profile chunks and are
compressed at a fixed zlib level, so the same pixels always give the same
bytes. Colours are written exactly as given: the mascot windows key on the
exact RGB value of the background, so nothing may shift them.
"""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _png(width, height, colour_type, rows, extra_chunks=b""):
    """rows: list of bytes objects, one per scanline, without filter bytes."""
    raw = b"".join(b"\x00" + row for row in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) + extra_chunks +
            _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b""))


def png_rgb(width, height, pixels):
    """pixels: row-major list of (r, g, b)."""
    rows = [bytes(c for p in pixels[y * width:(y + 1) * width] for c in p) for y in range(height)]
    return _png(width, height, 2, rows)


def png_rgba(width, height, pixels):
    """pixels: row-major list of (r, g, b, a)."""
    rows = [bytes(c for p in pixels[y * width:(y + 1) * width] for c in p) for y in range(height)]
    return _png(width, height, 6, rows)


def png_indexed(width, height, palette, indices):
    """palette: list of at most 256 (r, g, b); indices: row-major palette indices."""
    if not 0 < len(palette) <= 256:
        raise ValueError("palette must hold 1 to 256 colours")
    plte = _chunk(b"PLTE", bytes(c for p in palette for c in p))
    rows = [bytes(indices[y * width:(y + 1) * width]) for y in range(height)]
    return _png(width, height, 3, rows, plte)


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def write(self, code, width):
        self.acc |= code << self.nbits
        self.nbits += width
        while self.nbits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.nbits -= 8

    def flush(self):
        if self.nbits:
            self.out.append(self.acc & 0xFF)
        self.acc = 0
        self.nbits = 0
        return bytes(self.out)


def lzw_encode(indices, min_code_size):
    """GIF-flavoured LZW: LSB-first codes, clear and end codes, 12-bit limit.

    The code width grows one step after the table's next free code has
    passed the current width, which is when a decoder (one entry behind the
    encoder) widens too.
    """
    clear = 1 << min_code_size
    end = clear + 1
    bits = _BitWriter()

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    bits.write(clear, width)
    current = ()
    for pixel in indices:
        candidate = current + (pixel,)
        if candidate in table:
            current = candidate
            continue
        bits.write(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            bits.write(clear, width)
            table, next_code, width = reset()
        current = (pixel,)
    if current:
        bits.write(table[current], width)
        # The decoder adds one more entry after this last code and may widen.
        if next_code < 4096 and next_code + 1 > (1 << width) and width < 12:
            width += 1
    bits.write(end, width)
    return bits.flush()


def lzw_decode(data, min_code_size, count):
    """Reference decoder used to check the encoder's output."""
    clear = 1 << min_code_size
    end = clear + 1
    pos = 0
    acc = 0
    nacc = 0
    out = []
    table = None
    width = min_code_size + 1
    prev = None
    while len(out) < count + 1:
        while nacc < width:
            if pos >= len(data):
                raise ValueError("LZW stream ended early")
            acc |= data[pos] << nacc
            pos += 1
            nacc += 8
        code = acc & ((1 << width) - 1)
        acc >>= width
        nacc -= width
        if code == clear:
            table = [(i,) for i in range(clear)] + [(), ()]
            width = min_code_size + 1
            prev = None
            continue
        if code == end:
            break
        if prev is None:
            entry = table[code]
        else:
            if code < len(table):
                entry = table[code]
                table.append(prev + entry[:1])
            elif code == len(table):
                entry = prev + prev[:1]
                table.append(entry)
            else:
                raise ValueError("bad LZW code")
            if len(table) == (1 << width) and width < 12:
                width += 1
        out.extend(entry)
        prev = entry
    return out


def gif(width, height, palette, indices, transparent_index=None):
    """GIF89a with one image, a global colour table and an optional
    transparent colour index. palette: list of (r, g, b), at most 256."""
    size_bits = 1
    while (1 << size_bits) < len(palette):
        size_bits += 1
    table = list(palette) + [(0, 0, 0)] * ((1 << size_bits) - len(palette))
    min_code_size = max(2, size_bits)
    data = lzw_encode(indices, min_code_size)
    if lzw_decode(data, min_code_size, len(indices)) != list(indices):
        raise AssertionError("LZW round trip failed")
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | (size_bits - 1), 0, 0)
    out += bytes(c for p in table for c in p)
    if transparent_index is not None:
        out += b"\x21\xf9\x04" + struct.pack("<BHB", 0x01, 0, transparent_index) + b"\x00"
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    out.append(min_code_size)
    for i in range(0, len(data), 255):
        block = data[i:i + 255]
        out.append(len(block))
        out += block
    out += b"\x00\x3b"
    return bytes(out)
