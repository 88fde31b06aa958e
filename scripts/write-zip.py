#!/usr/bin/python3
"""Writes a zip file whose bytes depend on the files' contents alone:

    write-zip.py ZIP BASE FOLDER NAME...

stores BASE/FOLDER/NAME as FOLDER/NAME for each NAME, in the order given,
after an entry for FOLDER itself; every entry dated SOURCE_DATE_EPOCH (in
UTC, no earlier than 1980, the first date a zip file can hold), plain
read-write permissions, deflated at level 9.
"""
import os
import sys
import time
import zipfile


def entry(name, stamp, mode):
    info = zipfile.ZipInfo(name, date_time=stamp)
    info.create_system = 3  # Unix, so that the permissions below are read
    info.external_attr = mode << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    target, base, folder, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # 1980-01-01
    with zipfile.ZipFile(target + ".new", "w", compresslevel=9) as archive:
        directory = entry(folder + "/", stamp, 0o40755)
        directory.compress_type = zipfile.ZIP_STORED
        directory.external_attr |= 0x10  # the MS-DOS directory flag
        archive.writestr(directory, b"")
        for name in names:
            with open(os.path.join(base, folder, name), "rb") as source:
                archive.writestr(entry(folder + "/" + name, stamp, 0o100644), source.read())
    os.replace(target + ".new", target)


if __name__ == "__main__":
    main()
