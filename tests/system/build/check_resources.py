#!/usr/bin/python3
"""Reads the resources, exports and imports out of a built plug-in and
checks them field by field against the values the host relies on.

    check_resources.py PLUGIN.8bf [x86|x64]

The expected property list and terminology are composed below from their
fields, so a wrong byte is reported with the field it belongs to.
"""
import struct
import sys

import pefile

from checklist import check, finish

JAPANESE = 0x0411
ENGLISH = 0x0409
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}



# ---- field builders ---------------------------------------------------------
# Each answers a list of (bytes, field name) so that a mismatch names its field.

def code(text):
    """A four-character code: first character most significant, stored
    little-endian, so '8BIM' lands as M, I, B, 8."""
    assert len(text) == 4
    return struct.pack("<I", int.from_bytes(text.encode("ascii"), "big"))


def file_order(text):
    """Four bytes given in file order."""
    return text.encode("ascii")


def i16(value):
    return struct.pack("<h", value)


def u16(value):
    return struct.pack("<H", value)


def i32(value):
    return struct.pack("<i", value)


def f64(value):
    return struct.pack("<d", value)


def counted(text):
    return bytes([len(text)]) + text.encode("ascii")


def zeros(count):
    return bytes(count)


def field_text(text, size):
    raw = text.encode("ascii")
    return raw + zeros(size - len(raw))


def prop(key, fields):
    data = b"".join(value for value, _ in fields)
    header = [(code("8BIM"), key + ": vendor"), (code(key), key + ": key"),
              (i32(0), key + ": id"), (i32(len(data)), key + ": data length")]
    return header + [(value, key + ": " + name) for value, name in fields]


def expected_pipl(arch):
    entry_key = "8664" if arch == "x64" else "wx86"
    enable = "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, Gray16Mode, RGB48Mode)"
    props = [
        prop("kind", [(code("8BFM"), "filter module")]),
        prop("name", [(counted("Vorn..."), "menu entry"), (zeros(4), "padding")]),
        prop("catg", [(counted("BramixPlug"), "category"), (zeros(1), "padding")]),
        prop("vers", [(i32(0x00040000), "interface version 4.0")]),
        prop(entry_key, [(b"PluginMain\0", "entry point"), (zeros(1), "padding")]),
        prop("hstm", [(i32(0), "version"), (file_order("Vt0k"), "class"),
                      (file_order("Vt0k"), "event"), (i16(16000), "terminology id"),
                      (b"Bramix Vorn\0", "scope"), (zeros(6), "padding")]),
        prop("mode", [(bytes([0x50, 0, 0, 0]), "Grayscale and RGB flags")]),
        prop("enbl", [(enable.encode("ascii") + b"\0", "expression"), (zeros(4), "padding")]),
        prop("fici", [(bytes([1, 1, 1, 0]), "case %d" % (n + 1)) for n in range(7)]),
        prop("aFLT", [(i32(1), "word 0"), (i32(0), "word 1"), (i32(0), "word 2"),
                      (i32(65), "word 3"), (i32(1), "word 4"),
                      (field_text("Vorn", 48), "name")]),
        prop("aPAR", [(field_text("Amount", 32), "name"), (i32(0), "word 0"),
                      (i32(2), "word 1"), (i32(2), "word 2"), (f64(1.0), "first low"),
                      (f64(99.0), "first high"), (f64(1.0), "second low"),
                      (f64(99.0), "second high"), (i32(10), "default Amount"),
                      (i32(2), "word 3"), (zeros(16), "padding")]),
        prop("eGLO", [(i32(0x00385FFC), "flags")]),
    ]
    fields = [(i16(1), "leading word"), (i32(0), "list version"),
              (i32(len(props)), "property count")]
    for p in props:
        fields += p
    return fields


def expected_aete():
    return [
        (u16(1), "leading word"), (bytes([1]), "major version"), (bytes([0]), "minor version"),
        (u16(0), "language"), (u16(0), "script"), (u16(1), "suite count"),
        (counted("Bramix"), "suite name"), (counted("Draw Vorn"), "suite description"),
        (file_order("Vt0k"), "suite code"), (u16(1), "suite level"), (u16(1), "suite version"),
        (u16(1), "event count"), (counted("Vorn"), "event name"),
        (counted("Draw Vorn"), "event description"), (file_order("Vt0k"), "event class"),
        (file_order("Vt0k"), "event code"), (code("null"), "reply type"),
        (counted(""), "reply description"), (u16(0), "reply flags"),
        (code("#ImR"), "direct parameter type"), (counted(""), "direct parameter description"),
        (u16(0xB000), "direct parameter flags"), (u16(1), "parameter count"),
        (counted("Amount"), "parameter name"), (code("Amnt"), "parameter key"),
        (code("long"), "parameter type"), (counted("Amount"), "parameter description"),
        (u16(0), "parameter flags"), (u16(0), "class count"),
        (u16(0), "comparison operator count"), (u16(0), "enumeration count"),
    ]


def compare(name, actual, fields, size):
    expected = b"".join(value for value, _ in fields)
    check(len(expected) == size, "%s: the expected fields add up to %d bytes" % (name, size))
    check(len(actual) == size, "%s is %d bytes (found %d)" % (name, size, len(actual)))
    offset = 0
    wrong = []
    for value, field in fields:
        got = actual[offset:offset + len(value)]
        if got != value:
            wrong.append("%s at %d: %s, expected %s" % (field, offset, got.hex(), value.hex()))
        offset += len(value)
    for line in wrong:
        print("     " + line)
    check(not wrong, "%s: every field holds its value" % name)


def walk_property_list(data, entry_key):
    """Walks the list with the stored lengths; answers the keys and the end."""
    count = struct.unpack_from("<i", data, 6)[0]
    offset = 10
    keys = []
    for _ in range(count):
        if offset + 16 > len(data):
            break
        vendor, key, ident, length = struct.unpack_from("<4s4sii", data, offset)
        keys.append(key[::-1].decode("latin-1"))
        check(vendor[::-1] == b"8BIM" and ident == 0 and length % 4 == 0,
              "property %s at %d: vendor 8BIM, id 0, length %d a multiple of 4"
              % (keys[-1], offset, length))
        offset += 16 + length
    check(count == 12, "the list holds 12 properties")
    check(offset == 554 == len(data),
          "walking the property list from offset 10 ends at byte 554 (ended at %d)" % offset)
    check(keys == ["kind", "name", "catg", "vers", entry_key, "hstm", "mode", "enbl", "fici",
                   "aFLT", "aPAR", "eGLO"], "property keys in order: %s" % " ".join(keys))


# ---- reading the file ---------------------------------------------------------

def resources(pe):
    """Answers {(type, name): [(language, sublanguage, bytes)]} with type and
    name as strings or integers."""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(rtype.name) if rtype.name is not None else rtype.id
        for rname in rtype.directory.entries:
            name_key = str(rname.name) if rname.name is not None else rname.id
            for rlang in rname.directory.entries:
                entry = rlang.data.struct
                data = pe.get_data(entry.OffsetToData, entry.Size)
                found.setdefault((type_key, name_key), []).append(
                    (rlang.data.lang, rlang.data.sublang, data))
    return found


def check_version(pe, data, arch):
    check(len(data) == 640, "version record is 640 bytes (found %d)" % len(data))
    fixed = pe.VS_FIXEDFILEINFO[0]
    check(fixed.Signature == 0xFEEF04BD, "fixed block signature")
    check((fixed.FileVersionMS, fixed.FileVersionLS) == (0x00010000, 0x00050000),
          "file version 1.0.5.0")
    check((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010000, 0x00050000),
          "product version 1.0.5.0")
    check(fixed.FileFlagsMask == 0x3F and fixed.FileFlags == 0, "flags mask 0x3F, flags 0")
    check(fixed.FileOS == 0x4, "operating system 0x4")
    check(fixed.FileType == 0x2 and fixed.FileSubtype == 0, "file type 2 (library), subtype 0")
    check(fixed.FileDateMS == 0 and fixed.FileDateLS == 0, "file date 0")

    tables = {}
    translations = []
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for table in getattr(block, "StringTable", []):
                tables[table.LangID.decode()] = {
                    k.decode(): v.decode() for k, v in table.entries.items()}
            for var in getattr(block, "Var", []):
                for value in var.entry.values():
                    translations.append(value)
    check(list(tables) == ["041104b0"], "one string table, block 041104b0 (found %s)"
          % list(tables))
    strings = tables.get("041104b0", {})
    expected = {"CompanyName": "", "FileDescription": "Draw Vorn", "FileVersion": "1.0.5",
                "InternalName": "Vorn", "OriginalFilename": "Vorn.8bf",
                "ProductName": "Vorn", "ProductVersion": "1.0.5"}
    for key, value in expected.items():
        check(strings.get(key) == value, "%s is %r (found %r)" % (key, value, strings.get(key)))
    notice = strings.get("LegalCopyright", "")
    check("2026" in notice and "Bramix" in notice,
          "LegalCopyright names the year and the maker (%r)" % notice)
    check(sorted(strings) == sorted(list(expected) + ["LegalCopyright"]),
          "no further strings (%s)" % sorted(strings))
    check(translations == ["0x0411 0x04b0"], "translation 0x0411, 0x04B0 (found %s)"
          % translations)


def main():
    path = sys.argv[1]
    arch = sys.argv[2] if len(sys.argv) > 2 else "x86"
    pe = pefile.PE(path)
    machine = 0x8664 if arch == "x64" else 0x14C
    check(pe.FILE_HEADER.Machine == machine, "machine 0x%X" % machine)
    check(pe.is_dll(), "the file is a library")

    found = resources(pe)
    print("resources: " + ", ".join("%s %s lang %s" % (t, n, [hex(l | s << 10) for l, s, _ in v])
                                    for (t, n), v in sorted(found.items(), key=str)))
    # Everything is Japanese; the dialog templates have an English copy
    # beside (check_dialogs.py reads them).
    for (rtype, name), entries in found.items():
        languages = sorted(lang | (sublang << 10) for lang, sublang, _ in entries)
        expected = [ENGLISH, JAPANESE] if rtype == 5 else [JAPANESE]
        check(languages == expected, "%s %s exists once in each of %s (found %s)" % (
            rtype, name, [hex(lang) for lang in expected], [hex(lang) for lang in languages]))
    allowed = {("PIPL", 16000), ("AETE", 16000), (16, 1), (5, 101), (5, 102)}
    extra = [key for key in found if key not in allowed]
    check(not extra, "no other resources (string table, icon, menu): %s" % extra)

    entry_key = "8664" if arch == "x64" else "wx86"
    pipl = found.get(("PIPL", 16000), [(0, 0, b"")])[0][2]
    compare("PiPL 16000", pipl, expected_pipl(arch), 554)
    walk_property_list(pipl, entry_key)

    aete = found.get(("AETE", 16000), [(0, 0, b"")])[0][2]
    compare("AETE 16000", aete, expected_aete(), 106)
    check(aete[27:31] == b"Vt0k", "the suite code Vt0k stands at offset 27")
    check(pipl[154:158] == pipl[158:162] == aete[27:31] == aete[52:56] == aete[56:60],
          "hstm class, suite code, event class and event code agree")

    version = found.get((16, 1), [(0, 0, b"")])[0][2]
    check_version(pe, version, arch)

    exports = [e.name.decode() for e in getattr(pe, "DIRECTORY_ENTRY_EXPORT", None).symbols] \
        if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    check(exports == ["PluginMain"], "exports exactly PluginMain (found %s)" % exports)
    check(exports[:1] == [pipl[122:132].decode("latin-1")],
          "the '%s' property names the exported entry point" % entry_key)

    imports = sorted(i.dll.decode().lower() for i in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    print("imports: " + ", ".join(imports))
    check(set(imports) <= ALLOWED_IMPORTS, "imports only system libraries")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
