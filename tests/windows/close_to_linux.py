#!/usr/bin/env python3
"""Two conversions of the same drawing by PROJ, one with Linux's C library
and one with Windows': every line the same, except numbers, which may differ
in their last digits (PROJ's own trigonometry) but not by 1 micrometre or
1e-9 of their size.
Usage: close_to_linux.py LINUX_FILE WINDOWS_FILE"""
import sys

linux, windows = (open(name, 'rb').read().split(b'\r\n') for name in sys.argv[1:3])
if len(linux) != len(windows):
    sys.exit(f'{sys.argv[2]}: {len(windows)} lines, Linux {len(linux)}')
worst = 0.0
for number, (a, b) in enumerate(zip(linux, windows), start=1):
    if a == b:
        continue
    try:
        x, y = float(a), float(b)
    except ValueError:
        sys.exit(f'{sys.argv[2]}:{number}: {b!r}, Linux {a!r}')
    if abs(x - y) > max(1e-6, 1e-9 * abs(x)):
        sys.exit(f'{sys.argv[2]}:{number}: {y}, Linux {x}')
    worst = max(worst, abs(x - y))
print(f'{sys.argv[2]}: within {worst:.3g}')
