#!/usr/bin/python3
"""Reads the dialog templates out of a built plug-in, decodes them field by
field and compares every field with the values the dialogs rely on:

    check_dialogs.py PLUGIN.8bf [x86|x64]   (both hold the same templates)

101 is the About box (extended template), 102 the filter dialog (plain
template). Each is there in Japanese (0x0411) and in English (0x0409): the
same ids, controls, positions, sizes and styles, with English texts, the
Western dialog font and a wider Amount label in the English ones.
"""
import struct
import sys

import pefile

from checklist import check, finish

JAPANESE = 0x0411
ENGLISH = 0x0409
RT_DIALOG = 5
BUTTON, EDIT, STATIC = 0x0080, 0x0081, 0x0082
FONT = "ＭＳ Ｐゴシック"
ENGLISH_FONT = "MS Shell Dlg"



class Reader:
    """Little-endian reader over a template, with the template's own
    conventions for names (ordinal or zero-terminated UTF-16)."""

    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, fmt):
        value = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return value if len(value) > 1 else value[0]

    def text(self):
        chars = []
        while True:
            unit = self.take("H")
            if unit == 0:
                return "".join(chars)
            chars.append(chr(unit))

    def name(self):
        """0: none; 0xFFFF and a word: an ordinal; else a text."""
        first = struct.unpack_from("<H", self.data, self.at)[0]
        if first == 0:
            self.at += 2
            return None
        if first == 0xFFFF:
            self.at += 2
            return self.take("H")
        return self.text()

    def title(self):
        """A control's text: 0xFFFF and a word (an ordinal) or a text, which
        may be empty."""
        if struct.unpack_from("<H", self.data, self.at)[0] == 0xFFFF:
            self.at += 2
            return self.take("H")
        return self.text()

    def align(self):
        self.at = (self.at + 3) & ~3


def decode_plain(data):
    r = Reader(data)
    d = {}
    d["style"], d["exStyle"], count = r.take("IIH")
    d["x"], d["y"], d["cx"], d["cy"] = r.take("hhhh")
    d["menu"], d["class"], d["caption"] = r.name(), r.name(), r.text()
    if d["style"] & 0x40:  # DS_SETFONT
        d["pointSize"] = r.take("H")
        d["typeface"] = r.text()
    controls = []
    for _ in range(count):
        r.align()
        c = {"offset": r.at}
        c["style"], c["exStyle"] = r.take("II")
        c["x"], c["y"], c["cx"], c["cy"] = r.take("hhhh")
        c["id"] = r.take("H")
        c["class"], c["text"] = r.name(), r.title()
        c["extra"] = r.take("H")
        r.at += c["extra"]
        controls.append(c)
    d["controls"] = controls
    d["end"] = r.at
    return d


def decode_extended(data):
    r = Reader(data)
    d = {}
    d["version"], d["signature"], d["helpId"], d["exStyle"], d["style"], count = \
        r.take("HHIIIH")
    d["x"], d["y"], d["cx"], d["cy"] = r.take("hhhh")
    d["menu"], d["class"], d["caption"] = r.name(), r.name(), r.text()
    if d["style"] & 0x40:
        d["pointSize"], d["weight"], d["italic"], d["charset"] = r.take("HHBB")
        d["typeface"] = r.text()
    controls = []
    for _ in range(count):
        r.align()
        c = {"offset": r.at}
        c["helpId"], c["exStyle"], c["style"] = r.take("III")
        c["x"], c["y"], c["cx"], c["cy"] = r.take("hhhh")
        c["id"] = r.take("I")
        c["class"], c["text"] = r.name(), r.title()
        c["extra"] = r.take("H")
        r.at += c["extra"]
        controls.append(c)
    d["controls"] = controls
    d["end"] = r.at
    return d


def compare_fields(where, actual, expected):
    for key, value in expected.items():
        got = actual.get(key, "<missing>")
        shown = hex(value) if key.lower().endswith("style") and isinstance(value, int) else repr(value)
        check(got == value, "%s %s is %s (found %s)" % (
            where, key, shown, hex(got) if key.lower().endswith("style") and isinstance(got, int)
            else repr(got)))


FILTER_DIALOG = {
    "style": 0x80C800C0, "exStyle": 0, "x": 0, "y": 0, "cx": 143, "cy": 155,
    "menu": None, "class": None, "caption": "ﾀﾞｲｱﾛｸﾞ", "pointSize": 9, "typeface": FONT,
}
FILTER_DIALOG_ENGLISH = dict(FILTER_DIALOG, caption="Dialog", pointSize=8,
                             typeface=ENGLISH_FONT)

# id, class, text, style, x, y, cx, cy; in tab order
FILTER_CONTROLS = [
    (1, BUTTON, "OK", 0x50010001, 86, 7, 50, 14),
    (2, BUTTON, "ｷｬﾝｾﾙ", 0x50010000, 86, 24, 50, 14),
    (1007, STATIC, "", 0x50000107, 7, 7, 64, 64),
    (1009, BUTTON, "オプション", 0x50000007, 7, 94, 129, 54),
    (1002, BUTTON, "+", 0x50010000, 12, 74, 13, 15),
    (1003, BUTTON, "-", 0x50010000, 54, 74, 13, 15),
    (1008, STATIC, "100%", 0x50020201, 28, 74, 24, 15),
    (1010, STATIC, "Amount:", 0x50020200, 15, 110, 24, 12),
    (1011, EDIT, "", 0x50810080, 100, 110, 25, 12),
    (1012, "msctls_trackbar32", "Slider1", 0x50000010, 10, 124, 120, 12),
]
# The English template differs in two texts and in the width of the
# Amount label (32 units: "Amount" in a Western font is wider than 24).
ENGLISH_TEXTS = {2: "Cancel", 1009: "Options"}
ENGLISH_WIDTHS = {1010: 32}
FILTER_CONTROLS_ENGLISH = [
    (ident, cls, ENGLISH_TEXTS.get(ident, text), style, x, y, ENGLISH_WIDTHS.get(ident, cx), cy)
    for ident, cls, text, style, x, y, cx, cy in FILTER_CONTROLS]

ABOUT_BOX = {
    "version": 1, "signature": 0xFFFF, "helpId": 0, "exStyle": 0, "style": 0x800000C0,
    "x": 0, "y": 0, "cx": 162, "cy": 100, "menu": None, "class": None, "caption": "",
    "pointSize": 9, "weight": 0, "italic": 0, "charset": 1, "typeface": FONT,
}
ABOUT_BOX_ENGLISH = dict(ABOUT_BOX, pointSize=8, typeface=ENGLISH_FONT)

ABOUT_CONTROL = {
    "helpId": 0, "exStyle": 0x10, "style": 0x50020001, "x": 7, "y": 7, "cx": 148, "cy": 86,
    "id": 1001, "class": STATIC, "text": "", "extra": 0,
}

# language: (name, size of 102, header of 102, controls of 102, size of 101, header of 101)
LANGUAGES = {
    JAPANESE: ("Japanese", 424, FILTER_DIALOG, FILTER_CONTROLS, 88, ABOUT_BOX),
    ENGLISH: ("English", 436, FILTER_DIALOG_ENGLISH, FILTER_CONTROLS_ENGLISH, 96,
              ABOUT_BOX_ENGLISH),
}


def check_filter_dialog(data, language):
    name, size, header, expected_controls = LANGUAGES[language][:4]
    where = "%s dialog 102" % name
    check(len(data) == size, "%s is %d bytes (found %d)" % (where, size, len(data)))
    d = decode_plain(data)
    compare_fields(where, d, header)
    check(len(d["controls"]) == len(expected_controls),
          "%s has %d controls (found %d)" % (where, len(expected_controls), len(d["controls"])))
    for c, (ident, cls, text, style, x, y, cx, cy) in zip(d["controls"], expected_controls):
        check(c["offset"] % 4 == 0, "%s control %d starts on a 4-byte boundary (%d)"
              % (name, ident, c["offset"]))
        compare_fields("%s control %d" % (name, ident), c, {
            "id": ident, "class": cls, "text": text, "style": style, "exStyle": 0,
            "x": x, "y": y, "cx": cx, "cy": cy, "extra": 0})
    check(d["end"] == len(data), "%s ends with its last control (at %d)" % (where, d["end"]))


def check_about_box(data, language):
    name, size, header = LANGUAGES[language][0], LANGUAGES[language][4], LANGUAGES[language][5]
    where = "%s dialog 101" % name
    check(len(data) == size, "%s is %d bytes (found %d)" % (where, size, len(data)))
    d = decode_extended(data)
    compare_fields(where, d, header)
    check(len(d["controls"]) == 1, "%s has one control (found %d)" % (where, len(d["controls"])))
    if d["controls"]:
        compare_fields("%s control 1001" % name, d["controls"][0], ABOUT_CONTROL)
    check(d["end"] == len(data), "%s ends with its control (at %d)" % (where, d["end"]))


def dialog_resources(pe):
    found = {}
    for rtype in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries \
            if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []:
        if rtype.id != RT_DIALOG:
            continue
        for rname in rtype.directory.entries:
            for rlang in rname.directory.entries:
                entry = rlang.data.struct
                found.setdefault(rname.id, []).append(
                    (rlang.data.lang | (rlang.data.sublang << 10),
                     pe.get_data(entry.OffsetToData, entry.Size)))
    return found


def main():
    pe = pefile.PE(sys.argv[1])
    found = dialog_resources(pe)
    check(sorted(found) == [101, 102], "dialog templates 101 and 102 (found %s)" % sorted(found))
    for ident in (101, 102):
        languages = sorted(lang for lang, _ in found.get(ident, []))
        check(languages == [ENGLISH, JAPANESE],
              "dialog %d exists once in English (0x0409) and once in Japanese (0x0411) "
              "(found %s)" % (ident, [hex(lang) for lang in languages]))
    for language in (JAPANESE, ENGLISH):
        for lang, data in found.get(102, []):
            if lang == language:
                check_filter_dialog(data, language)
        for lang, data in found.get(101, []):
            if lang == language:
                check_about_box(data, language)
    return finish()


if __name__ == "__main__":
    sys.exit(main())
