"""Well-formed NTLM messages for the test peers (no real cryptography: the
test proxy accepts any authenticate message)."""

import os
import struct

SIGNATURE = b"NTLMSSP\0"
FLAGS = 0x00000001 | 0x00000004 | 0x00000200 | 0x00008000 | 0x00080000 | 0x00800000 | 0x20000000


def _field(data, offset):
    return struct.pack("<HHI", len(data), len(data), offset)


def negotiate():
    return SIGNATURE + struct.pack("<I", 1) + struct.pack("<I", FLAGS) + _field(b"", 32) * 2


def challenge():
    target = "ZGTEST".encode("utf-16-le")
    info = (struct.pack("<HH", 2, len(target)) + target +   # NetBIOS domain name
            struct.pack("<HH", 1, len(target)) + target +   # NetBIOS computer name
            struct.pack("<HH", 0, 0))                       # end of list
    head_size = 48
    return (SIGNATURE + struct.pack("<I", 2) + _field(target, head_size) +
            struct.pack("<I", FLAGS | 0x00010000) + os.urandom(8) + b"\0" * 8 +
            _field(info, head_size + len(target)) + target + info)


def authenticate(user="zgtest", domain="ZGTEST", host="WINE"):
    parts = [b"\0" * 24, b"\0" * 24, domain.encode("utf-16-le"), user.encode("utf-16-le"),
             host.encode("utf-16-le"), b""]
    offset = 64
    fields = b""
    payload = b""
    for part in parts:
        fields += _field(part, offset + len(payload))
        payload += part
    return SIGNATURE + struct.pack("<I", 3) + fields + struct.pack("<I", FLAGS) + payload
