#!/usr/bin/python3
"""The proxy's NTLM helper: answers every negotiate message with a
well-formed challenge and accepts any authenticate message."""

import base64
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ntlm_messages  # noqa: E402


def main():
    for line in sys.stdin:
        line = line.strip()
        if line.startswith("YR"):
            reply = "TT " + base64.b64encode(ntlm_messages.challenge()).decode()
        elif line.startswith("KK"):
            reply = "AF zgtest"
        else:
            reply = "BH unexpected request"
        sys.stdout.write(reply + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
