#!/usr/bin/env python3
"""Writes the product's QZ.ini from the demo's template, with the product folder filled in.

Usage: qz_ini.py TEMPLATE TARGET PRODUCT_FOLDER

PRODUCT_FOLDER is the Windows path the program reads (ending in a backslash); it replaces the
template's @PRODUKTPFAD@ in Windows-1252. The template's CR LF line ends are kept.
"""
import sys

template, target, product = sys.argv[1:4]
data = open(template, "rb").read()
if b"@PRODUKTPFAD@" not in data:
    sys.exit("the QZ.ini template has no @PRODUKTPFAD@")
open(target, "wb").write(data.replace(b"@PRODUKTPFAD@", product.encode("cp1252")))
