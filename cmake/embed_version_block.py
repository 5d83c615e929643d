#!/usr/bin/env python3
"""Writes the version block (RT_VERSION) of a compiled .res file as a C++ array.

The Linux build carries the same VS_VERSIONINFO bytes that the Windows build keeps in
its version resource, so that one reader serves both.
"""
import struct
import sys

RT_VERSION = 16


def read_id(data, at):
    """Returns (value, next offset) of a RES type or name field."""
    if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def version_block(data):
    at = 0
    while at + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, at)
        kind, after = read_id(data, at + 8)
        body = at + header_size
        if kind == RT_VERSION:
            return data[body:body + data_size]
        at = (body + data_size + 3) & ~3
    sys.exit("no version resource in the .res file")


def main():
    res_path, out_path = sys.argv[1], sys.argv[2]
    block = version_block(open(res_path, "rb").read())
    lines = ["// Generated from the installer's resource script; do not edit.",
             "extern const unsigned char kInstallerVersionInfo[] = {"]
    for i in range(0, len(block), 16):
        lines.append("    " + ", ".join(str(b) for b in block[i:i + 16]) + ",")
    lines.append("};")
    lines.append(f"extern const unsigned kInstallerVersionInfoSize = {len(block)};")
    open(out_path, "w").write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
