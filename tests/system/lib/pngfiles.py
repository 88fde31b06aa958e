"""PNG files written byte by byte for the end-to-end scripts, so that a
test can make headers and chunks no encoder would: correct checksums
around impossible contents."""
import struct
import zlib

SIGNATURE = b'\x89PNG\r\n\x1a\n'


def chunk(kind, data):
    """One chunk: length, type, data and the CRC of type and data."""
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def header(width, height, depth, colour, interlace=0):
    """The IHDR chunk."""
    return chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, interlace))


def png(width, height, depth, colour, idat, interlace=0, more=b''):
    """A whole file: IHDR, the chunks in `more`, one IDAT (none when idat
    is None) and IEND."""
    return (SIGNATURE + header(width, height, depth, colour, interlace) + more +
            (chunk(b'IDAT', idat) if idat is not None else b'') + chunk(b'IEND', b''))
