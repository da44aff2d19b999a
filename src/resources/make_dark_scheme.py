#!/usr/bin/env python3
"""Writes the DarkStyles of lumen.config.xml from its light Styles: every
light colour becomes its dark counterpart through one table, so a comment,
a string or a keyword has one colour in every language, as in the light
scheme. Run it again after changing the light styles or the table; it
refuses a colour it has no counterpart for and a pair of colours that is
hard to read (contrast below 4.5:1)."""
import re
import sys
from pathlib import Path

CONFIG = Path(__file__).resolve().parents[2] / "lumen.config.xml"

# Light text colour -> dark text colour.
FOREGROUND = {
    "1E1E1E": "D4D4D4",  # default text
    "A31515": "CE9178",  # strings, characters
    "008000": "74A65E",  # comments
    "3F7F5F": "7CA668",  # documentation comments
    "3F5FBF": "82AAFF",  # documentation keywords
    "0000FF": "569CD6",  # keywords
    "000080": "D4D4D4",  # operators
    "098658": "B5CEA8",  # numbers
    "808000": "C586C0",  # preprocessor, directives
    "267F99": "4EC9B0",  # types, classes
    "AF00DB": "D8A0DF",  # other keywords, symbols, decorators
    "800080": "D8A0DF",  # entities
    "795E26": "DCDCAA",  # functions
    "001080": "9CDCFE",  # variables
    "0451A5": "9CDCFE",  # keys, parameters
    "E50000": "9CDCFE",  # attributes, properties
    "800000": "569CD6",  # tags
    "C00000": "FF6E6E",  # task markers, errors
    "811F3F": "E08080",  # regular expressions
    "EE0000": "D7BA7D",  # escape sequences
    "808080": "9A9A9A",  # defaults, rules, quotes
    "A05000": "E5C07B",  # labels, constants
    "7F5F00": "E5C07B",  # changed lines
    "006400": "A6E3A1",  # added lines
    "707070": "999999",  # line numbers
}
# Light background -> dark background.
BACKGROUND = {
    "FFFFFF": "1E1E1E",  # the page
    "F0F0F0": "252526",  # the line-number margin
    "F3F3F3": "2D2D2D",  # code inside prose
    "FFE8E8": "4B1818",  # unterminated strings, errors
    "FFF5D6": "3A321E",  # changed lines
    "E6FFE6": "1E3A1E",  # added lines
}
SCHEME = {"highlightColor": "F5A623", "caretLineColor": "282828", "caretColor": "AEAFAD", "selectionColor": "264F78"}
LIGHT_SCHEME = {"caretLineColor": "EEF3FA"}


def luminance(colour):
    def channel(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (int(colour[i:i + 2], 16) for i in (0, 2, 4))
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(a, b):
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


def attributes(tag):
    return dict(re.findall(r'(\w+)="([^"]*)"', tag))


def main():
    text = CONFIG.read_text(encoding="utf-8")
    text = re.sub(r"\n  <DarkStyles.*?</DarkStyles>", "", text, flags=re.S)
    styles = re.search(r"\n  <Styles[^>]*>(.*?)\n  </Styles>", text, flags=re.S)
    base_fg, base_bg = FOREGROUND["1E1E1E"], BACKGROUND["FFFFFF"]
    out = ["\n  <DarkStyles " + " ".join(f'{k}="{v}"' for k, v in SCHEME.items()) + ">"]
    problems = []
    for style in re.finditer(r"<Style ([^>]*?)(?:/>|>(.*?)</Style>)", styles.group(1), flags=re.S):
        name = attributes(style.group(1))["name"]
        word_styles = []
        for word in re.finditer(r"<WordStyle ([^>]*?)/?>", style.group(2) or ""):
            a = attributes(word.group(1))
            dark = {}
            for key, table in (("bgColor", BACKGROUND), ("fgColor", FOREGROUND)):
                if a.get(key):
                    if a[key] not in table:
                        problems.append(f"{name}/{a.get('name')}: no dark {key} for {a[key]}")
                        continue
                    dark[key] = table[a[key]]
            for key in ("fontName", "fontSize", "fontStyle", "eolFill", "name", "styleID"):
                if a.get(key):
                    dark[key] = a[key]
            fg, bg = dark.get("fgColor", base_fg), dark.get("bgColor", base_bg)
            backgrounds = [bg] if "bgColor" in dark else [bg, SCHEME["caretLineColor"]]
            for back in backgrounds:
                if contrast(fg, back) < 4.5:
                    problems.append(f"{name}/{a.get('name')}: {fg} on {back} is {contrast(fg, back):.2f}:1")
            word_styles.append("<WordStyle " + " ".join(f'{k}="{v}"' for k, v in dark.items()) + "/>")
        if not word_styles:
            continue
        out.append(f'    <Style name="{name}">\n      <WordStyles>')
        out.extend("        " + w for w in word_styles)
        out.append("      </WordStyles>\n    </Style>")
    out.append("  </DarkStyles>")
    if problems:
        sys.exit("\n".join(problems))
    light = " ".join(f'{k}="{v}"' for k, v in LIGHT_SCHEME.items())
    text = re.sub(r"\n  <Styles[^>]*>", f"\n  <Styles {light}>", text, count=1)
    if "<ColorScheme" not in text:
        text = text.replace("\n  <Styles ", '\n  <ColorScheme Mode="system"/>\n  <Styles ', 1)
    text = text.replace("\n  </Styles>", "\n  </Styles>" + "\n".join(out), 1)
    CONFIG.write_text(text, encoding="utf-8")


main()
