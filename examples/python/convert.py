#!/usr/bin/env python3
"""Converts a document with a map file through Vantrel's C interface, from
Python with ctypes, and writes the HTML to standard output:

    convert.py DOCUMENT [MAPFILE]

The library is the one the system finds (ctypes.util.find_library), else
libvantrel.so as the loader finds it (LD_LIBRARY_PATH); VANTREL_LIBRARY
names another file. A failure is told on standard error, "convert.py: <what
went wrong>", with exit status 1.
"""
import ctypes
import ctypes.util
import os
import sys

VANTREL_OK = 0
VANTREL_STANDALONE = 2


class VantrelError(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


def load_library():
    names = [os.environ.get("VANTREL_LIBRARY"), ctypes.util.find_library("vantrel"), "libvantrel.so"]
    errors = []
    for name in filter(None, names):
        try:
            library = ctypes.CDLL(name)
            break
        except OSError as error:
            errors.append(str(error))
    else:
        raise OSError("libvantrel not found: " + "; ".join(errors or ["no name to try"]))
    library.vantrel_convert.restype = ctypes.c_int
    library.vantrel_convert.argtypes = [
        ctypes.c_char_p, ctypes.c_size_t,  # document
        ctypes.c_char_p, ctypes.c_size_t,  # map text (None: no map file)
        ctypes.c_uint, ctypes.c_char_p,  # flags, title
        ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(ctypes.c_size_t),  # the HTML
        ctypes.c_char_p, ctypes.c_size_t,  # the message
    ]
    library.vantrel_free.restype = None
    library.vantrel_free.argtypes = [ctypes.c_void_p]
    library.vantrel_version.restype = ctypes.c_char_p
    library.vantrel_version.argtypes = []
    return library


def convert(library, document, map_text=None, flags=0, title=None):
    """The HTML of `document` (bytes) with the map file's text (bytes or None)."""
    html = ctypes.c_void_p()
    size = ctypes.c_size_t()
    message = ctypes.create_string_buffer(512)
    status = library.vantrel_convert(document, len(document), map_text, len(map_text or b""), flags, title,
                                     ctypes.byref(html), ctypes.byref(size), message, len(message))
    if status != VANTREL_OK:
        raise VantrelError(status, message.value.decode("utf-8", "replace"))
    try:
        return ctypes.string_at(html, size.value)
    finally:
        library.vantrel_free(html)


def main(argv):
    library = load_library()
    if argv[1:] == ["--version"]:
        print("library", library.vantrel_version().decode())
        return 0
    if len(argv) not in (2, 3):
        print("usage: convert.py DOCUMENT [MAPFILE]", file=sys.stderr)
        return 2
    with open(argv[1], "rb") as file:
        document = file.read()
    map_text = None
    if len(argv) == 3:
        with open(argv[2], "rb") as file:
            map_text = file.read()
    try:
        html = convert(library, document, map_text)
    except VantrelError as error:
        print(f"convert.py: {error} (status {error.status})", file=sys.stderr)
        return 1
    sys.stdout.buffer.write(html)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
