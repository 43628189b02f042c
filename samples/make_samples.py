#!/usr/bin/env python3
"""Writes the small sample drawings of this folder (Shift-JIS text).

Run from anywhere: python3 samples/make_samples.py
The files are committed; run it again only to change them.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def dxf(texts, code="  1", eol="\r\n"):
    """An ASCII DXF with one TEXT entity per value, group codes as `code`."""
    pad = code[: len(code) - 1]  # the padding used for one-digit codes
    lines = [pad + "0", "SECTION", pad + "2", "HEADER",
             pad + "9", "$ACADVER", pad + "1", "AC1009",
             pad + "9", "$DWGCODEPAGE", pad + "3", "ANSI_932",
             pad + "0", "ENDSEC", pad + "0", "SECTION", pad + "2", "ENTITIES"]
    for n, text in enumerate(texts):
        lines += [pad + "0", "TEXT", pad + "8", "0",
                  " 10", f"{10.0 * n:.1f}",
                  " 20", "0.0",
                  " 40", "2.5",
                  code, text]
    lines += [pad + "0", "ENDSEC", pad + "0", "EOF"]
    return (eol.join(lines) + eol).encode("cp932")


def sjis(text):
    return text.encode("cp932")


def filler(length, seed):
    """Bytes that stand for drawing data: never zero, never a text marker."""
    return bytes(0x30 + (seed * 7 + n * 13) % 0x40 for n in range(length))


def jw_header(signature, title, count_line, size):
    head = bytearray(size)
    head[0 : len(signature)] = signature
    head[40 : 40 + len(sjis(title))] = sjis(title)
    head[200 : 200 + len(count_line)] = count_line.encode("ascii")
    return head


def jwc(title, texts, counts=(3, 2, 1), variant=False):
    """A JW_CAD drawing: header, the records the counts describe, the text
    block whose place the counts and whose length the range line give."""
    head = jw_header(b"jw_cad(c)data", title, ",".join(map(str, counts)), 2421)
    if variant:
        head[22] = ord("f")
    block = b"".join(sjis(t) + b"\0" for t in texts)
    first = 0x0001_0400
    last = first + len(block)
    range_line = "%04X:%04X,%04X:%04X" % (first >> 16, first & 0xFFFF, last >> 16, last & 0xFFFF)
    head[600 : 600 + len(range_line)] = range_line.encode("ascii")
    records = filler(22 * counts[0] + 32 * counts[1] + 24 * counts[2] + (32 if variant else 0), 1)
    # After the block the drawing goes on with data of its own.
    return bytes(head) + records + block + filler(40, 2)


def jwk(title, texts, counts=(1, 2, 1, 1)):
    """A JW_CAD symbol: header, records, and the text block to the end."""
    head = jw_header(b"jw_cad(c)sym", title, ",".join(map(str, counts)), 400)
    sizes = (22, 32, 12, 24)
    records = filler(sum(c * n for c, n in zip(counts, sizes)), 3)
    return bytes(head) + records + b"".join(sjis(t) + b"\0" for t in texts)


MCD_LAYOUTS = {
    # version: (little-endian tag, big-endian tag, text offset)
    2382: (bytes.fromhex("A42C7905 00000000 000A".replace(" ", "")),
           bytes.fromhex("05792CA4 00000000 000A".replace(" ", "")), 116),
    2082: (bytes.fromhex("A42C7905 01000000 0A00".replace(" ", "")),
           bytes.fromhex("05792CA4 00000001 000A".replace(" ", "")), 74),
}


def mcd(version, texts):
    """A VectorWorks drawing: the version, then text records between other
    data, the length of every second record written big-endian."""
    little_tag, big_tag, offset = MCD_LAYOUTS[version]
    data = struct.pack(">I", version) + filler(60, 4)
    for n, text in enumerate(texts):
        body = sjis(text) + b"\0" * (-len(sjis(text)) % 4)  # zero padding is skipped
        length = offset + len(body)
        if n % 2 == 0:
            head = struct.pack("<I", length) + little_tag
        else:
            head = struct.pack(">I", length) + big_tag
        data += head + filler(offset - len(head), n) + body + filler(24, n + 5)
    return data


def chain_record(kind, data=b""):
    record = bytearray(filler(16, kind) + bytes(48))
    record[0] = kind
    record[16 : 16 + len(data)] = data
    return bytes(record)


def dracad_chain(texts):
    """Records of a DraCAD drawing: each text is a text item (kind 5 or 20,
    three head records) with its string in continuation records of at most
    47 bytes each, split between characters; other records between them."""
    records = chain_record(1) + chain_record(2)
    for n, text in enumerate(texts):
        records += chain_record(5 if n % 2 == 0 else 20) + chain_record(0) + chain_record(0)
        piece = b""
        for ch in text:
            if len(piece) + len(sjis(ch)) > 47:
                records += chain_record(0xFE, piece)
                piece = b""
            piece += sjis(ch)
        records += chain_record(0xFE, piece) + chain_record(1)
    return records + chain_record(0xFF)


def mpx(texts):
    head = bytearray(filler(128, 6))
    head[36:40] = struct.pack("<I", len(head))
    return bytes(head) + dracad_chain(texts)


def mpz(texts):
    """The chain after a prefix, placed by the signature that starts it."""
    prefix = filler(200, 7)
    head = bytearray(b"DRACAD for Windows" + filler(110, 8))
    head[36:40] = struct.pack("<I", len(head))
    return prefix + bytes(head) + dracad_chain(texts)


def jis_cell(ch):
    """The 16-bit character cell of one character: its JIS X 0208 code, or
    the single byte of a one-byte character."""
    code = sjis(ch)
    if len(code) == 1:
        return code[0]
    euc = ch.encode("euc_jp")
    cell = (euc[0] - 0x80) << 8 | (euc[1] - 0x80)
    j1, j2 = cell >> 8, cell & 0xFF
    lead = (j1 - 0x21) // 2 + 0x81
    lead += 0x40 if lead > 0x9F else 0
    trail = j2 + 0x7E if j1 % 2 == 0 else j2 + 0x1F + (1 if j2 >= 0x60 else 0)
    assert bytes([lead, trail]) == code, ch
    return cell


def mpp(texts):
    """A DraCAD drawing of the entry-table layout: entries of other types
    between the text entries (5 and 6), each text entry's characters in six
    planes after the table, column by column."""
    table = bytearray()
    entries = []
    for n, text in enumerate(texts):
        table += bytes([0, 3]) + bytes.fromhex("00FE") * 2
        columns = -(-len(text) // 6)
        entries.append((len(table), text))
        table += bytes([0, 5 if n % 2 == 0 else 6]) + bytes.fromhex("00FE") * (columns + 1)
    table += bytes.fromhex("FFFF")
    row = len(table)
    planes = bytearray(6 * row)
    for start, text in entries:
        for n, ch in enumerate(text):
            at = (n % 6) * row + start + 4 + 2 * (n // 6)
            planes[at : at + 2] = struct.pack("<H", jis_cell(ch))
    return filler(1024, 9) + bytes(table) + bytes(planes)


class JwwWriter:
    """A JW_CAD for Windows drawing as JW_CAD writes it: an MFC archive of the
    header settings, the object list and the block definitions. Strings are
    Shift-JIS, or UTF-16LE (marked FF FE FF) as the Unicode versions write
    them."""

    def __init__(self, version, wide):
        self.version = version
        self.wide = wide
        self.data = bytearray()
        self.classes = {}
        self.next_index = 1

    def raw(self, data):
        self.data += data
        return self

    def num(self, fmt, *values):
        return self.raw(struct.pack("<" + fmt, *values))

    def string(self, text):
        if self.wide:
            units = text.encode("utf-16-le")
            count = len(units) // 2
            prefix = b"\xff\xfe\xff"
        else:
            units = sjis(text)
            count = len(units)
            prefix = b""
        if count < 0xFF:
            prefix += bytes([count])
        else:
            prefix += b"\xff" + struct.pack("<H", count)
        return self.raw(prefix + units)

    def header(self, memo, layer_names):
        self.raw(b"JwwData.").num("I", self.version).string(memo)
        self.num("II", 3, 0)  # paper A3, layer group 0
        for group in range(16):
            self.num("IIdI", 2, 0, 100.0, 0)
            for layer in range(16):
                self.num("II", 2, 0)
        self.num("14I", *[0] * 14).num("5I", 0, 0, 0, 0, 0).num("II", 0, 0)
        self.num("dddIIddddd", 0, 0, 1, 0, 0, 10, 0, 0, 0, 0)  # printer and grid
        for group in range(16):
            for layer in range(16):
                self.string(layer_names.get((group, layer), ""))
        for group in range(16):
            self.string("")
        self.num("ddId", 4000, 35.0, 0, 0).num("dd", 0, 100)  # shadows, sky map
        self.num("I", 0).num("ddd", 1, 0, 0).num("ddd", 1, 0, 0)
        for jump in range(8):
            self.num("dddI", 1, 0, 0, 0)
        self.num("dddIdddI", 0, 0, 0, 0, 0, 0, 1, 0)
        self.num("10d", *[5.0] * 10).num("d", 0)
        for pen in range(10):
            self.num("II", 0, 1)
        for pen in range(10):
            self.num("IId", 0, 1, 0.3)
        self.num("32I", *[0] * 32).num("25I", *[0] * 25).num("16I", *[0] * 16)
        self.num("11I", *[0] * 11)
        self.num("5I", 0, 0, 0, 0, 0).num("5d", 0, 0, 0, 0, 0).num("4d", 0, 0, 0, 0)
        self.num("II", 0, 0)
        if self.version >= 420:
            for color in range(257):
                self.num("II", 0, 0)
            for color in range(257):
                self.string("").num("IId", 0, 0, 0)
            for style in range(33):
                self.num("4I", 0, 0, 0, 0)
            for style in range(33):
                self.string("").num("I", 0).num("10d", *[0] * 10)
        for kind in range(10):
            self.num("dddI", 2.0 + kind, 2.0 + kind, 0, 1)
        self.num("dddII", 3, 3, 0, 1, 1).num("dd", 7, 40).num("I", 0).num("6d", *[0] * 6)
        return self

    def count(self, n):
        return self.num("H", n) if n < 0xFFFF else self.num("HI", 0xFFFF, n)

    def tag(self, name):
        """A new object's class: named the first time, then by its index."""
        if name not in self.classes:
            self.num("HHH", 0xFFFF, self.version, len(name)).raw(name.encode("ascii"))
            self.classes[name] = self.next_index
            self.next_index += 1
        else:
            self.num("H", 0x8000 | self.classes[name])
        self.next_index += 1
        return self

    def common(self, pen_style=1, pen_color=1, layer=0):
        return self.num("IBHHHHH", 0, pen_style, pen_color, 0, layer, 0, 0)

    def sen_fields(self, x1, y1, x2, y2):
        return self.common().num("4d", x1, y1, x2, y2)

    def moji_fields(self, text, x, y, size=3.0):
        self.common().num("4dI4d", x, y, x + size * len(text), y, 1, size, size, 0, 0)
        return self.string("ＭＳ ゴシック").string(text)

    def sen(self, x1, y1, x2, y2):
        return self.tag("CDataSen").sen_fields(x1, y1, x2, y2)

    def enko(self, x, y, r):
        return self.tag("CDataEnko").common().num("7dI", x, y, r, 0, 6.283185307179586, 0, 1, 1)

    def moji(self, text, x, y):
        return self.tag("CDataMoji").moji_fields(text, x, y)

    def sunpou(self, text, x1, x2, y):
        self.tag("CDataSunpou").common().sen_fields(x1, y, x2, y)
        self.moji_fields(text, (x1 + x2) / 2, y + 1, 2.5)
        if self.version >= 420:
            self.num("H", 0).sen_fields(x1, 0, x1, y).sen_fields(x2, 0, x2, y)
            for x in (x1, x2, x1, x2):
                self.point_fields(x, y)
        return self

    def point_fields(self, x, y):
        return self.common().num("ddI", x, y, 0)

    def block(self, number, x, y):
        return self.tag("CDataBlock").common().num("5dI", x, y, 1, 1, 0, number)

    def block_definition(self, number, name, count):
        self.tag("CDataList").common().num("III", number, 1, 1700000000)
        return self.string(name).count(count)


def jww(version, wide, memo, texts, dimension, block_name, block_text):
    """A drawing with a memo, lines, texts and a dimension, and a block
    definition (a door with its label) inserted once."""
    w = JwwWriter(version, wide).header(memo, {(0, 0): "壁", (0, 1): "文字"})
    w.count(5 + len(texts))
    w.sen(0, 0, 9100, 0).sen(9100, 0, 9100, 7280).enko(4550, 3640, 900)
    for n, text in enumerate(texts):
        w.moji(text, 1000, 1000 + 1500 * n)
    w.sunpou(dimension, 0, 9100, -1500).block(1, 3000, 0)
    w.count(1).block_definition(1, block_name, 2).sen(0, 0, 800, 0).moji(block_text, 0, 100)
    if version >= 700:
        w.num("I", 0)  # no embedded images
    return bytes(w.data)


SAMPLES = {
    # CR LF and one-space codes, as older Japanese CAD programs write.
    "平面図_1F.dxf": dxf(["1階平面図", "縮尺 1/100", "ｶﾞﾗｽ戸"], code=" 1"),
    # The right-justified three-column codes with CR LF.
    "配置図.dxf": dxf(["配置図", "敷地境界線", "ＰＬＡＮ Ｎｏ．２"]),
    # LF line ends, as DXF writers on Linux give them.
    "立面図/南立面図.dxf": dxf(["南立面図", "ガラス", "外壁　タイル貼り"], eol="\n"),
    "立面図/北立面図.DXF": dxf(["北立面図", "Elevation North"], eol="\n"),
    "断面図/詳細/矩計図.dxf": dxf(["矩計図", "天井高 CH=2400", "断熱材ｸﾞﾗｽｳｰﾙ"]),
    # A drawing without any text.
    "断面図/空.dxf": dxf([]),
    # JW_CAD drawings and a symbol; the second drawing has the 'f' variant.
    "jw/1階平面図.jwc": jwc("1階平面図", ["居間", "台所", "浴室", "寝室 6帖"]),
    "jw/配置図.jwc": jwc("配置図", ["隣地境界線", "道路　幅員4.0m", "ｶｰﾎﾟｰﾄ"],
                        counts=(5, 0, 2), variant=True),
    "jw/建具記号.jwk": jwk("建具記号", ["片開き戸", "引違い窓"]),
    # JW_CAD for Windows drawings: Shift-JIS (version 6.00) and UTF-16 strings
    # (version 7.00 as the Unicode versions write it).
    "jw/2階平面図.jww": jww(600, False, "2階平面図\r\n縮尺 1/100", ["洋室（１）", "バルコニー"],
                          "9,100", "片開き戸@@SfigorgFlag@@4", "WD-1"),
    "jw/東立面図.jww": jww(700, True, "東立面図", ["外壁　ガルバリウム鋼板", "ＧＬ"],
                          "7,280", "引違い窓", "AW-2"),
    # VectorWorks drawings of both version families.
    "mcd/平面図.mcd": mcd(2382, ["2階 平面図", "縮尺 1/50", "洋室（１）"]),
    "mcd/立面図.mcd": mcd(2082, ["東立面図", "外壁　サイディング"]),
    # DraCAD drawings of the three layouts.
    "dracad/平面図.mpx": mpx(["1階平面図", "玄関ホール",
                              "この注記は長いので三つの続きレコードに分けて記録されている文字列で、途中で切れずに一行になります"]),
    "dracad/断面図.mpz": mpz(["A-A断面図", "天井高 CH=2400"]),
    "dracad/配置図.mpp": mpp(["配置図", "隣地境界線 ｶﾞﾚｰｼﾞ", "方位 N"]),
}


def main():
    for name, data in SAMPLES.items():
        path = os.path.join(HERE, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
