#!/usr/bin/env python3
"""Writes the three help documents helpengc.rtf, helpfrnc.rtf and helpchin.rtf
beside this script from the texts below.

The documents are plain RTF: a font table, bold headings, point sizes and
paragraphs. Every character outside ASCII is written as \\uN? (N a signed
16-bit number), so the files are pure ASCII and read the same in any RTF
reader. Run it again after changing a text: python3 make_help.py
"""

import os
import re
import sys

sys.dont_write_bytecode = True  # keep the folder free of caches

HERE = os.path.dirname(os.path.abspath(__file__))

# Block kinds: ("title", text), ("h1", text), ("h2", text), ("p", text),
# ("item", label, text), ("code", [lines]). Inside a text, **x** is bold.


def rtf_escape(text):
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\t":
            out.append("\\tab ")
        elif 32 <= code < 127:
            out.append(ch)
        elif code == 0xA0:
            out.append("\\~")
        else:
            if code > 0xFFFF:
                raise ValueError("character outside the basic plane: %r" % ch)
            if code > 32767:
                code -= 65536
            out.append("\\u%d?" % code)
    return "".join(out)


def inline(text):
    parts = re.split(r"\*\*(.+?)\*\*", text)
    out = []
    for i, part in enumerate(parts):
        if not part:
            continue
        out.append("{\\b %s}" % rtf_escape(part) if i % 2 else rtf_escape(part))
    return "".join(out)


def render(blocks, body_font, body_size):
    lines = [
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1",
        "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\fnil\\fcharset134 SimSun{\\*\\falt WenQuanYi Micro Hei};}"
        "{\\f2\\fmodern\\fcharset0 Courier New;}}",
        "{\\colortbl;\\red0\\green0\\blue128;}",
        "\\viewkind4",
    ]
    body = "\\f%d\\fs%d " % (body_font, body_size)
    for block in blocks:
        kind = block[0]
        if kind == "title":
            lines.append("\\pard\\sa240\\qc%s{\\b\\cf1\\fs36 %s}\\par" % (body, inline(block[1])))
        elif kind == "h1":
            lines.append("\\pard\\sb240\\sa120%s{\\b\\cf1\\fs28 %s}\\par" % (body, inline(block[1])))
        elif kind == "h2":
            lines.append("\\pard\\sb120\\sa60%s{\\b\\fs%d %s}\\par" % (body, body_size + 4, inline(block[1])))
        elif kind == "p":
            lines.append("\\pard\\sa120%s%s\\par" % (body, inline(block[1])))
        elif kind == "item":
            lines.append("\\pard\\li360\\sa80%s{\\b %s}  %s\\par" % (body, inline(block[1]), inline(block[2])))
        elif kind == "code":
            code = "\\line ".join(rtf_escape(l) for l in block[1])
            lines.append("\\pard\\li720\\sa120\\f2\\fs%d %s\\par" % (body_size, code))
        else:
            raise ValueError(kind)
    lines.append("}")
    return "\r\n".join(lines) + "\r\n"


# The link status messages as the status bar shows them (English, French,
# Chinese), with what each means and what to do, by language.
STATUS = [
    ("Request Sent", "Request Sent", "发送请求"),
    ("Cant Open Port", "Port Ferme", "不能打开串行口"),
    ("Port Open", "Port Ouvert", "串行口打开"),
    ("Port Set OK", "Port OK", "串行口设立正常"),
    ("Cant open port-Port Set Exception", "Cant open port-Port Set Exception", "不能打开串行口"),
    ("Modem Setup", "Modem Setup", "Modem 设置"),
    ("Cant open port", "Cant open port", "不能打开串行口"),
    ("Comm Fail", "Comm Fail", "通信故障"),
    ("Dialing", "Dialing", "进行拨号"),
    ("Cant open COMM port", "Cant open COMM port", "不能打开串行口"),
    ("Data Received", "Data Received", "收到数据"),
    ("Read Error", "Read Error", "阅读错误"),
    ("Closed", "Ferme", "关闭"),
    ("Hang Up", "Terminie", "切断电话"),
    ("Break", "Break", "切断指令"),
    ("TAPI Closed", "TAPI Ferme", "TAPI 关闭"),
    ("Wait for Close", "Attandre pour Ferme", "等待断开"),
    ("Port Not Open", "Port non ouvert", "串行口无法打开"),
    ("Connected", "Connected", "接通"),
    ("TAPI Fail", "TAPI Fail", "TAPI 故障"),
    ("TAPI Open", "TAPI Ouvert", "TAPI 打开"),
    ("Carrier", "Carrier", "载体"),
    ("Data Timeout", "Data Timeout", "数据超时"),
]

from help_english import ENGLISH, STATUS_ENGLISH  # noqa: E402
from help_french import FRENCH, STATUS_FRENCH  # noqa: E402
from help_chinese import CHINESE, STATUS_CHINESE  # noqa: E402


def status_blocks(language, explanations):
    """One item per distinct message text; texts shared by several events
    (the Chinese "cannot open port") are explained once, together."""
    blocks = []
    seen = {}
    joiner = "" if language == 2 else " "  # Chinese sentences run on without spaces
    for row, explanation in zip(STATUS, explanations):
        text = row[language]
        if text in seen:
            blocks[seen[text]] = ("item", blocks[seen[text]][1], blocks[seen[text]][2] + joiner + explanation)
            continue
        seen[text] = len(blocks)
        blocks.append(("item", text, explanation))
    return blocks


def expand(blocks, language, explanations):
    out = []
    for block in blocks:
        if block == ("status",):
            out.extend(status_blocks(language, explanations))
        else:
            out.append(block)
    return out


def main():
    documents = [
        ("helpengc.rtf", ENGLISH, 0, STATUS_ENGLISH, 0, 20),
        ("helpfrnc.rtf", FRENCH, 1, STATUS_FRENCH, 0, 20),
        ("helpchin.rtf", CHINESE, 2, STATUS_CHINESE, 1, 22),
    ]
    for name, blocks, language, explanations, font, size in documents:
        assert len(explanations) == len(STATUS), name
        text = render(expand(blocks, language, explanations), font, size)
        with open(os.path.join(HERE, name), "w", encoding="ascii", newline="") as f:
            f.write(text)
        print("%s: %d bytes" % (name, len(text)))


if __name__ == "__main__":
    main()
