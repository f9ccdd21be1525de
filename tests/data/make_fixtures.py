#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the property-list fixtures of the tests with Python's plistlib.

The files are committed; run this again only to change them:
    python3 tests/data/make_fixtures.py
"""
import datetime
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))


def dump(value, *parts):
    path = os.path.join(HERE, *parts)
    with open(path, "wb") as f:
        plistlib.dump(value, f)


def d(*args):
    return datetime.datetime(*args)


# Every type the format has, nested, with the texts that need escaping.
dump({
    "array": [1, "two", 3.5, [], {}],
    "bytes-empty": b"",
    "bytes-long": bytes(range(256)),
    "bytes-short": b"\x00\x01velkari",
    "date": d(2011, 5, 2, 10, 11, 12),
    "dates": [d(1970, 1, 1), d(2038, 1, 19, 3, 14, 8), d(2099, 12, 31, 23, 59, 59)],
    "deep": [[[[["five"]]]], {"inner": {"data": b"x" * 100}}],
    "false": False,
    "integers": [0, -1, 42, 2**31, -(2**63), 2**63 - 1, 2**63, 2**64 - 1],
    "reals": [0.0, -0.0, 1.0, 0.1, 1.5e300, 1e16, 1e15, 1e-5, 0.0001, 123456.789, -2.5],
    "strings": ["", "plain", "a & b < c > d", "tab\there", "line\nbreak",
                "Ünïcödé ✓ 你好 🎉", "]]>", "'quotes' \"double\""],
    "true": True,
}, "plist", "types.plist")

# A store as the app keeps it: seven-element records, one six-element record
# from an older version, and damaged records that must survive unchanged.
dump([
    ["0B7C1F9E-6B1A-4C8E-9D55-1F0E2A3B4C5D", "Anna Berg", "+46 70 123 45 67",
     d(2099, 3, 5, 9, 7), "Happy birthday!", "0", "0"],
    ["1C8D2A0F-7C2B-4D9F-8E66-2A1F3B4C5D6E", "Carl Dahl", "555 0100",
     d(2011, 12, 15, 21, 40), "Meeting at 8 & bring <the> notes", "1", "2"],
    ["2D9E3B1A-8D3C-4EA0-9F77-3B2A4C5D6E7F", "Old Record", "555 0199",
     d(2099, 6, 1, 12, 0), "From before repeats", "0"],
    ["3EAF4C2B-9E4D-4FB1-A088-4C3B5D6E7F80", "Eva", "555 0123",
     d(2001, 1, 1), "Sent, repeating", "1", "4"],
    "not a record",
    ["4FB05D3C", "Too short"],
    ["5AC16E4D-AF5E-40C2-B199-5D4C6E7F8091", "Wrong Types", 5550100,
     "2099-01-01", "text", 0, 3],
], "store", "plistlib-store.plist")
