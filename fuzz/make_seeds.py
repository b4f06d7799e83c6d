#!/usr/bin/env python3
"""Writes the seed corpora that come from the project's own tests: the command lines of
the command-line tool's tests (one option a line, as fuzz_cli_options reads them) and the
PNG files of the resources (as hostile PNG inputs of fuzz_images)."""
import hashlib
import pathlib
import re

root = pathlib.Path(__file__).resolve().parent.parent
corpus = root / "fuzz" / "corpus"


def save(target, data):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / ("seed-" + hashlib.sha1(data).hexdigest()[:16])).write_bytes(data)


command = re.compile(r'\{\s*("(?:run|simulate|render|alphabet)"(?:\s*,\s*"[^"]*")*)')
for source in sorted((root / "tests" / "cli").glob("*.cpp")):
    for match in command.finditer(source.read_text()):
        words = re.findall(r'"([^"]*)"', match.group(1))
        lines, k = [words[0]], 1
        while k < len(words):
            if k + 1 < len(words) and not words[k + 1].startswith("--"):
                lines.append(words[k] + " " + words[k + 1])
                k += 2
            else:
                lines.append(words[k])
                k += 1
        save("cli_options", ("\n".join(lines) + "\n").encode())

# fuzz_images takes its mode from the last byte: 3 reads the rest as a PNG file.
for png in sorted(root.glob("resources/**/*.png")):
    save("images", png.read_bytes() + bytes([3]))
