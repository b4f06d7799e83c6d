"""Reads image files with Pillow and prints, for each, its format, size and mode and then
its pixels: one character 0 or 1 per pixel for a two-colour picture, else the RGB bytes
in hexadecimal, rows from the top."""
import sys

from PIL import Image

for path in sys.argv[1:]:
    with Image.open(path) as im:
        im.load()
        print(im.format, im.size[0], im.size[1], im.mode)
        if im.mode == "1":
            print("".join("1" if v else "0" for v in im.getdata()))
        else:
            print(im.convert("RGB").tobytes().hex())
