#!/usr/bin/env python3
"""Writes the small sample drawings of this folder (Shift-JIS text).

Run from anywhere: python3 samples/make_samples.py
The files are committed; run it again only to change them.
"""
import os

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
}


def main():
    for name, data in SAMPLES.items():
        path = os.path.join(HERE, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
