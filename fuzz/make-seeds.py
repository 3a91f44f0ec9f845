#!/usr/bin/env python3
"""Writes the seed corpus of every fuzzer into fuzz/seeds from the shipped resources and the
tests' cases. The fuzzers read their inputs with FuzzedDataProvider: numbers and flags come
from the end of an input, texts from its start (a text ends at a backslash followed by another
character), so each seed is laid out the way its fuzzer reads it."""
import hashlib
import pathlib
import re

root = pathlib.Path(__file__).resolve().parent.parent
seeds = root / "fuzz" / "seeds"
layouts = sorted((root / "resources" / "xml").glob("*.xml"))


def attributes(*names):
    found = set()
    for layout in layouts:
        text = layout.read_text(encoding="utf-8")
        for name in names:
            found.update(re.findall(r'\b%s="([^"]*)"' % name, text))
    return sorted(found)


def text_field(text):
    """A text read by ConsumeRandomLengthString, then its end."""
    return text.replace(b"\\", b"\\\\") + b"\\;"


def write(fuzzer, inputs):
    folder = seeds / fuzzer
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    for data in inputs:
        (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


spans = [bytes([0, 0, 0, 0, 0, 0, 1, 144]), bytes([0, 0, 3, 32, 0, 0, 0, 100])]
write("pos", [p.encode() + s for p in attributes("pos") + ["|-480,|-270,|480,|270", "1,2,3,4,5"]
              for s in spans])

colours = attributes("crbg", "crborder", "crtext", "crhover", "crdisabled", "cr", "font", "textmode")
write("color", [c.encode() for c in colours + ["40f25435", "FFzzFFFF", "12px", "-40", "02g0"]])

write("conn_text", [text_field(key.encode()) + text.encode() + b"\x01" for key, text in [
    ("ip", "ip=10.0.0.1;port=80"), ("port", "ip=10.0.0.1;port=80"), ("ip", "a=ip=2;ip=3"),
    ("ip", "ip=;port=80"), ("timeout", "ip=127.0.0.1;port=9000;timeout=5000")]])

documents = ['{"curver":"2.5.1"}', '{"curver":3}', '{"a":{"b":5}}', '{"list":[1,2]}',
             '{"n":1e20}', '{"a":"x","b":"y"}', "<html><body>maintenance</body></html>"]
paths = ["curver", "CURVER", "a|b", "list", "n", "a||b"]
write("json", [text_field(p.encode()) + d.encode() + b"\x01\x00" for p in paths for d in documents]
      + [b"msg\\;ok\\;code\\;0\\;\x01", b"a\\;{\"x\": 1}\\;b\\;[{\"y\":2}]\\;\x01"])

urls = ["http://h/x/%E5%8F%91%e7%a5%a8+1.xls", "http://h/cjtgjb/download/ViewReport?f=r.Pdf",
        "a%2Fb%3fc%3Dd&e", "100%zz%+5%4", "http://h/x/export.xls?id=5"]
write("url", [u.encode() + b"\x00" for u in urls])

names = ["a.xls", "a.xlsx", "README", "archive.tar.gz", "NUL", "aux.xls", "COM1.txt", "con ",
         "export.xls?id=5", "a<b>|c.xls", "..", "dir\\file.xls"]
write("desktop_name", [text_field(n.encode()) + bytes([3, 1, 7, 2, 5, 1]) for n in names] +
      [text_field("\u53d1\u7968\u6e05\u5355.xlsx".encode("utf-16-le")) + bytes([2, 0])])

def unescape(text):
    """The bytes of a C++ narrow string literal's text (UTF-8 source, simple escapes)."""
    simple = {"n": b"\n", "t": b"\t", "r": b"\r", "0": b"\0", '"': b'"', "\\": b"\\", "'": b"'"}
    out = bytearray()
    parts = re.split(r"(\\x[0-9A-Fa-f]{1,2}|\\.)", text)
    for part in parts:
        if part.startswith("\\x"):
            out.append(int(part[2:], 16))
        elif part.startswith("\\") and len(part) == 2:
            out += simple.get(part[1], part[1].encode())
        else:
            out += part.encode()
    return bytes(out)


def test_layouts():
    """Layout and table texts written in the tests as string literals (adjacent ones joined)."""
    literal = r'"((?:[^"\\\n]|\\.)*)"'
    found = set()
    for source in sorted((root / "tests" / "skinui").glob("*.cpp")):
        text = source.read_text(encoding="utf-8")
        for chain in re.finditer(r'(?:%s\s*)+' % literal, text):
            joined = "".join(re.findall(literal, chain.group(0)))
            value = unescape(joined)
            if re.match(rb"<(dlg|layer|skins|style|string|color)\b", value):
                found.add(value)
    return sorted(found)


write("xml", [p.read_bytes() for p in layouts + sorted((root / "tests" / "skinui" / "data").glob("*.xml"))]
      + test_layouts()
      # "#" asks the fuzzer to generate a well-formed text from the bytes that follow.
      + [b"#" + bytes((i * 37 + k * 11) % 256 for i in range(120)) for k in range(6)])

tags = re.findall(r'X\("([A-Za-z]+)"', (root / "skinui" / "BkTags.h").read_text())
names = set()
for source in (root / "skinui").glob("*.cpp"):
    text = source.read_text(encoding="utf-8")
    names.update(re.findall(r'name == "([A-Za-z0-9_-]+)"', text))
    names.update(re.findall(r'\{"([A-Za-z0-9_-]+)", &', text))
    names.update(re.findall(r'(?:Attribute|IntAttribute)\([^,()]*, ?"([A-Za-z0-9_-]+)"', text))
    names.update(re.findall(r'Attribute\("([A-Za-z0-9_-]+)"\)', text))
entries = ['"<%s"' % t for t in sorted(set(tags))] + ['"</%s>"' % t for t in sorted(set(tags))]
entries += ['"%s=\\""' % n for n in sorted(names)] + ['"<layer"', '"<skins"', '"<style"', '"<class"']
(root / "fuzz" / "xml.dict").write_text("\n".join(entries) + "\n")

write("shadow", [bytes([12, 12, 33, 0, 0, 0, 0, 0]) * 3, bytes(range(40)), bytes(range(255, 200, -1))])
write("tab", [bytes([0, 0, 0, 0, 0, 0, 0, 80, 0, 0, 0, 4, 0, 0, 0, 90, 0, 3]),
              bytes([255, 255, 255, 255, 127, 255, 255, 255, 128, 0, 0, 0, 0, 0, 1, 0, 0, 200])])
write("range", [bytes([0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 50, 0, 0, 0, 200, 0, 0, 0, 100]),
                bytes([128, 0, 0, 0, 127, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 100])])
