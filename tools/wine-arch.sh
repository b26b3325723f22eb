#!/usr/bin/env bash
# Prints the Wine architecture the Windows tests run under on this machine: "win32" where the
# machine runs 32-bit programs (Wine's 32-bit loader starts), else "win64".
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
