#!/usr/bin/env python3
"""Random XML documents in GB2312 with their element trees as Python's
ElementTree reads them: the independent judge of the reader's tests.

gen_peer_docs.py <out folder> writes, for each document <n>:
  doc<n>.xml   the document, GB2312 bytes
  doc<n>.tree  what "dorlix xml" prints for it, UTF-8
  doc<n>.walk  one line per element in document order, GB2312:
               depth TAB name (TAB attribute TAB value)...
and docs.txt, the document names. The documents use what the reader and
ElementTree read alike: markup outside start tags (comments, instructions,
CDATA without "<" or ">", text with entities and ">"), either quote, blanks
and line ends around "=", empty values.
"""
import os
import random
import sys
import xml.etree.ElementTree as ET

NAMES = ["station", "item", "lane", "Device", "e1", "x_y", "a.b", "车辆", "检测项目", "参数"]
ATTRS = ["id", "name", "Type", "k9", "编号", "名称", "unit"]
VALUE_CHARS = "abcXYZ0123456789 -_.:/()#%+;,!?*" + "京沪粤检测合格不通过车牌号码"
TEXTS = ["", "\n  ", " text ", "a &gt; b > c", "&amp; &#65; &lt;", "行\n", "  "]
MISC = ["<!-- note -->", "<!-- a > b -->", "<?pi data?>", "<![CDATA[ raw & data ]]>"]


def value(rng):
    while True:
        v = "".join(rng.choice(VALUE_CHARS) for _ in range(rng.randint(0, 20)))
        if rng.random() < 0.1:
            v += rng.choice("\"'")
        if v not in ATTRS:
            return v


def quoted(v, rng):
    if '"' in v:
        q = "'"
    elif "'" in v:
        q = '"'
    else:
        q = rng.choice("\"'")
    return q + v + q


def element(rng, depth, budget):
    """The text of one element and its children; budget[0] counts down."""
    budget[0] -= 1
    name = rng.choice(NAMES)
    attrs = rng.sample(ATTRS, rng.randint(0, 4))
    tag = "<" + name
    for a in attrs:
        tag += rng.choice([" ", "\n  ", "\t", "\r\n "]) + a + rng.choice(["=", " = ", "=\n"]) + quoted(value(rng), rng)
    tag += rng.choice(["", " ", "\n"])
    children = []
    if depth < 40:
        # The root takes elements until the budget is spent.
        while budget[0] > 0 and (depth == 0 or rng.random() < (0.75 if depth < 3 else 0.45)):
            children.append(element(rng, depth + 1, budget))
    if not children and rng.random() < 0.5:
        return tag + "/>"
    body = ""
    for c in children:
        body += rng.choice(TEXTS) + (rng.choice(MISC) if rng.random() < 0.2 else "") + c
    return tag + ">" + body + rng.choice(TEXTS) + "</" + name + ">"


def document(seed, size):
    rng = random.Random(seed)
    budget = [size]
    root = element(rng, 0, budget)
    head = '<?xml version="1.0" encoding="%s"?>\n<!DOCTYPE station>\n<!-- made for the reader -->\n'
    return head, root


def listing(root):
    tree, walk = [], []
    stack = [(root, 0)]
    while stack:
        e, depth = stack.pop()
        line = "  " * depth + e.tag
        fields = [str(depth), e.tag]
        for k, v in e.attrib.items():
            q = "'" if '"' in v and "'" not in v else '"'
            line += " " + k + "=" + q + v + q
            fields += [k, v]
        tree.append(line + "\n")
        walk.append("\t".join(fields) + "\n")
        for c in reversed(list(e)):
            stack.append((c, depth + 1))
    return "".join(tree), "".join(walk)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    names = []
    for n, (seed, size) in enumerate([(1, 5), (2, 40), (3, 300), (4, 3000), (5, 12000)]):
        head, root = document(seed, size)
        parsed = ET.fromstring((head % "UTF-8" + root + "\n").encode("utf-8"))
        tree, walk = listing(parsed)
        with open(os.path.join(out, "doc%d.xml" % n), "wb") as f:
            f.write((head % "GB2312" + root + "\n").encode("gb2312"))
        with open(os.path.join(out, "doc%d.tree" % n), "w", encoding="utf-8", newline="\n") as f:
            f.write(tree)
        with open(os.path.join(out, "doc%d.walk" % n), "w", encoding="gb2312", newline="\n") as f:
            f.write(walk)
        names.append("doc%d" % n)
    with open(os.path.join(out, "docs.txt"), "w", newline="\n") as f:
        f.write("\n".join(names) + "\n")


if __name__ == "__main__":
    main()
