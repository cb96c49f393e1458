"""Readers of the files the quorix tool writes, written from the formats' own definitions with nothing but
Python's standard library, so that they check our writers independently of our code."""

import struct
import zlib


def read_ply(path):
    """Returns (format, properties, points, comments); each point is a tuple in property order."""
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    lines = data[:end].decode("ascii").splitlines()
    assert lines[0] == "ply", "not a PLY file"
    fmt, count, props, comments = None, None, [], []
    types = {"float": "f", "uchar": "B", "double": "d", "int": "i", "uint": "I"}
    for line in lines[1:]:
        words = line.split()
        if words[0] == "format":
            fmt = words[1]
            assert words[2] == "1.0"
        elif words[0] == "element":
            assert words[1] == "vertex", "only vertices expected"
            count = int(words[2])
        elif words[0] == "property":
            props.append((words[2], types[words[1]]))
        elif words[0] in ("comment", "obj_info"):
            comments.append(line)
    body = data[end:]
    if fmt == "ascii":
        rows = body.decode("ascii").splitlines()
        assert len(rows) == count, "vertex count differs from the header"
        points = [tuple(float(v) if t in "fd" else int(v) for v, (_, t) in zip(r.split(), props)) for r in rows]
    else:
        assert fmt == "binary_little_endian", fmt
        record = "<" + "".join(t for _, t in props)
        size = struct.calcsize(record)
        assert len(body) == size * count, "body size %d != %d x %d" % (len(body), size, count)
        points = list(struct.iter_unpack(record, body))
    return fmt, [n for n, _ in props], points, comments


def read_pcd(path):
    """Returns (header dict, points); binary data only."""
    with open(path, "rb") as f:
        data = f.read()
    header, offset = {}, 0
    while True:
        end = data.index(b"\n", offset)
        line = data[offset:end].decode("ascii")
        offset = end + 1
        if line.startswith("#"):
            continue
        key, _, value = line.partition(" ")
        header[key] = value.split()
        if key == "DATA":
            break
    assert header["DATA"] == ["binary"]
    record = "<"
    for size, kind, count in zip(header["SIZE"], header["TYPE"], header["COUNT"]):
        code = {("F", "4"): "f", ("U", "4"): "I", ("U", "1"): "B", ("I", "4"): "i"}[(kind, size)]
        record += code * int(count)
    n = int(header["POINTS"][0])
    assert int(header["WIDTH"][0]) * int(header["HEIGHT"][0]) == n, "WIDTH x HEIGHT != POINTS"
    body = data[offset:]
    assert len(body) == struct.calcsize(record) * n, "body size differs from POINTS"
    return header, list(struct.iter_unpack(record, body))


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path, decode=True):
    """Returns (width, height, channels, bit depth, rows); rows are lists of samples per row (None when
    decode is false: then only the chunks, their CRCs and the compressed data's size are checked)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, ihdr = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        assert zlib.crc32(kind + chunk) & 0xFFFFFFFF == crc, "bad CRC in " + kind.decode()
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat += chunk
        elif kind == b"IEND":
            break
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = ihdr
    assert interlace == 0, "interlaced PNGs are not expected"
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    bpp = channels * depth // 8
    stride = width * bpp
    raw = zlib.decompress(idat)
    assert len(raw) == height * (stride + 1), "image data size"
    if not decode:
        return width, height, channels, depth, None
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + [0, a, b, (a + b) // 2, _paeth(a, b, c)][kind]) & 0xFF
        previous = line
        if depth == 16:
            rows.append(list(struct.unpack(">%dH" % (stride // 2), bytes(line))))
        else:
            rows.append(list(line))
    return width, height, channels, depth, rows


def read_float_tiff(path):
    """A single-channel uncompressed 32-bit float TIFF in strips: returns (width, height, values)."""
    with open(path, "rb") as f:
        data = f.read()
    order = {b"II": "<", b"MM": ">"}[data[:2]]
    assert struct.unpack(order + "H", data[2:4])[0] == 42, "not a classic TIFF"
    ifd = struct.unpack(order + "I", data[4:8])[0]
    count = struct.unpack(order + "H", data[ifd:ifd + 2])[0]
    tags = {}
    for i in range(count):
        tag, kind, n, value = struct.unpack(order + "HHI4s", data[ifd + 2 + 12 * i:ifd + 14 + 12 * i])
        code = {3: "H", 4: "I"}.get(kind)
        if code is None:
            continue
        size = struct.calcsize(code) * n
        raw = value if size <= 4 else data[struct.unpack(order + "I", value)[0]:][:size]
        tags[tag] = struct.unpack(order + code * n, raw[:size])
    width, height = tags[256][0], tags[257][0]
    assert tags[258][0] == 32 and tags[339][0] == 3, "not 32-bit float samples"
    assert tags.get(259, (1,))[0] == 1, "compressed"
    assert tags.get(277, (1,))[0] == 1, "more than one sample per pixel"
    body = b"".join(data[o:o + n] for o, n in zip(tags[273], tags[279]))
    assert len(body) == width * height * 4
    return width, height, list(struct.unpack(order + "%df" % (width * height), body))
