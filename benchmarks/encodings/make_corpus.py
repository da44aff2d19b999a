#!/usr/bin/env python3
"""Writes the encoding benchmark's files: source and text files in legacy code
pages and the Unicode forms, made of the translated messages of a gettext
catalog set (Debian's apt, whose po/ folder is given), placed in comments and
strings of code or written as dense text.

Every file comes with the text it holds, as a code page's reader gives it
(`expected.tsv`: file name, encoding, expected text as UTF-8 in hex), so that
the benchmark compares what lumen shows with what the file says.

usage: make_corpus.py PO_FOLDER OUT_FOLDER [SEED]
(another seed makes other files of the same kinds: a check that lumen's
rules were not fitted to one set)
"""
import os
import random
import re
import sys
import unicodedata

# language: the encodings its files are written in (Python's codec names).
ENCODINGS = {
    "de": ["cp1252", "iso8859_15", "utf_8"],
    "fr": ["cp1252", "iso8859_1"],
    "es": ["cp1252"],
    "pt": ["cp1252"],
    "sv": ["cp1252"],
    "pl": ["cp1250", "iso8859_2", "cp852"],
    "cs": ["cp1250", "iso8859_2", "cp852", "mac_latin2"],
    "hu": ["cp1250"],
    "sk": ["cp1250"],
    "ru": ["cp1251", "koi8_r", "cp866", "iso8859_5", "utf_8", "utf_16_le", "utf_16_be", "cp855", "mac_cyrillic"],
    "ro": ["iso8859_16"],  # the language ISO-8859-16 was made for
    "uk": ["cp1251", "koi8_u"],
    "bg": ["cp1251"],
    "el": ["cp1253", "iso8859_7"],
    "tr": ["cp1254", "iso8859_9"],
    "he": ["cp1255"],
    "ar": ["cp1256"],
    "lt": ["cp1257", "iso8859_13"],
    "nb": ["iso8859_10"],  # ISO-8859-10 was made for the Nordic languages
    "vi": ["cp1258"],
    "th": ["cp874"],
    "ja": ["cp932", "euc_jp", "utf_8", "utf_16_le"],
    "zh_CN": ["gbk"],
    "zh_TW": ["cp950"],
    "ko": ["cp949"],
}
# Each form also with its byte order mark.
MARKED = {"utf_8": "utf_8_sig", "utf_16_le": "utf_16_le", "utf_16_be": "utf_16_be"}
SIZES = ["line", "short", "typical", "dense"]
VARIANTS = 3

CODE = {
    "c": ("// ", 'printf("{}\\n");', ["int main(void) {", "  int count = 0;", "  for (int i = 0; i < 10; ++i) {",
                                       "    count += i;", "  }", "  return count;", "}"]),
    "py": ("# ", 'print("{}")', ["def main():", "    total = 0", "    for i in range(10):", "        total += i",
                                  "    return total", ""]),
    "sh": ("# ", 'echo "{}"', ["set -e", "for f in *.txt; do", "  wc -l \"$f\"", "done", "exit 0"]),
}


def read_po(path):
    """The translated messages of a catalog, fuzzy ones and the header left out."""
    messages, msgid, msgstr, field, fuzzy = [], "", "", None, False

    def unquote(text):
        text = text.strip()[1:-1]
        return re.sub(r'\\(.)', lambda m: {"n": " ", "t": " "}.get(m.group(1), m.group(1)), text)

    def flush():
        if msgid and msgstr and not fuzzy:
            messages.append(" ".join(msgstr.split()))

    with open(path, encoding="utf-8", errors="replace") as po:
        for line in po:
            line = line.rstrip("\n")
            if line.startswith("#,"):
                fuzzy = "fuzzy" in line
            elif line.startswith("msgid "):
                flush()
                msgid, msgstr, field = unquote(line[6:]), "", "id"
            elif line.startswith("msgstr "):
                msgstr, field = unquote(line[7:]), "str"
            elif line.startswith('"') and field:
                if field == "id":
                    msgid += unquote(line)
                else:
                    msgstr += unquote(line)
            elif not line.strip():
                flush()
                msgid, msgstr, field, fuzzy = "", "", None, False
    flush()
    return [m for m in messages if any(ord(c) > 127 for c in m) and '"' not in m and "\\" not in m]


def vietnamese_cp1258(text):
    """Windows-1258 holds a Vietnamese letter as its base (with circumflex, breve
    or horn) and a combining tone mark: the form Windows' own conversion writes."""
    tones = {"\u0300", "\u0301", "\u0303", "\u0309", "\u0323"}
    out = []
    for char in text:
        decomposed = unicodedata.normalize("NFD", char)
        base = "".join(c for c in decomposed if c not in tones)
        tone = "".join(c for c in decomposed if c in tones)
        out.append(unicodedata.normalize("NFC", base) + tone)
    return "".join(out)


def encodable(message, codec):
    try:
        (vietnamese_cp1258(message) if codec == "cp1258" else message).encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def body(size, messages, rng):
    """The file's text: one line of a few words, a few lines of code, a source
    file of about 200 lines with some comments and strings, or 100 KB of text."""
    kind = rng.choice(sorted(CODE))
    comment, call, lines = CODE[kind]
    if size == "line":
        words = rng.choice(messages).split()
        return comment + " ".join(words[: rng.randint(2, 5)]) + "\n"
    if size == "short":
        return "\n".join([comment + rng.choice(messages)] + lines[:3] + [call.format(rng.choice(messages))]) + "\n"
    if size == "typical":
        out = []
        while len(out) < 200:
            out.extend(lines)
            if rng.random() < 0.3:
                out.append(comment + rng.choice(messages))
            if rng.random() < 0.2:
                out.append(call.format(rng.choice(messages)))
        return "\n".join(out) + "\n"
    out, length = [], 0
    while length < 100_000:
        line = " ".join(rng.choice(messages) for _ in range(3))
        out.append(line)
        length += len(line.encode("utf-8"))
    return "\n".join(out) + "\n"


def main():
    po_folder, out_folder = sys.argv[1], sys.argv[2]
    os.makedirs(out_folder, exist_ok=True)
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 20261209)
    rows = []
    for language, codecs in ENCODINGS.items():
        all_messages = read_po(os.path.join(po_folder, language + ".po"))
        for codec in codecs:
            messages = [m for m in all_messages if encodable(m, codec)]
            forms = [codec] + ([MARKED[codec] + "+mark"] if codec in MARKED else [])
            for form in forms:
                for size in SIZES:
                    for variant in range(VARIANTS):
                        text = body(size, messages, rng)
                        if codec == "cp1258":
                            text = vietnamese_cp1258(text)
                        marked = form.endswith("+mark")
                        data = text.encode(codec)
                        if marked:
                            data = {"utf_8": b"\xef\xbb\xbf", "utf_16_le": b"\xff\xfe",
                                    "utf_16_be": b"\xfe\xff"}[codec] + data
                        name = f"{language}-{form.replace('+', '-')}-{size}-{variant}.txt"
                        with open(os.path.join(out_folder, name), "wb") as f:
                            f.write(data)
                        # The mark of a UTF-16 file is shown as U+FEFF.
                        expected = ("\ufeff" if marked and codec != "utf_8" else "") + data.decode(codec + ("_sig" if marked and codec == "utf_8" else ""))[(1 if marked and codec != "utf_8" else 0):]
                        rows.append((name, codec + ("+mark" if marked else ""), size, expected.encode("utf-8").hex()))
    with open(os.path.join(out_folder, "expected.tsv"), "w") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")
    print(f"{len(rows)} files in {out_folder}")


if __name__ == "__main__":
    main()
