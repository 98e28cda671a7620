#!/usr/bin/env python3
"""Writes the golden settings files, byte for byte, straight from the file layout: code page 932
(Python's own cp932 codec, independent of the iconv conversion the program uses), CR LF line
breaks, three blanks before section tags, six before items, no line break after </運用>.

    python3 make_golden.py      # then check with xxd and commit
"""
DECL = "<?xml version='1.0' encoding='Shift-JIS' ?>"


def section(name, *items):
    lines = ["   <%s>" % name]
    lines += ["      <%s>%s</%s>" % (k, v, k) for k, v in items]
    lines.append("   </%s>" % name)
    return lines


def file_text(*sections):
    lines = [DECL, "<運用>"]
    for s in sections:
        lines += s
    lines.append("</運用>")
    return "\r\n".join(lines)


GOLDEN = {
    # What a first start writes when nothing was committed.
    "fresh.xml": file_text(),
    # Two sections, committed in this order.
    "two_sections.xml": file_text(
        section("ﾌｫｰﾑ", ("Left", "900"), ("Top", "600")),
        section("ﾕｰｻﾞｰ", ("保存形式", "BMP"))),
    # Left set to 900, Top to 600, then Left again to 1200: Left keeps its first place.
    "item_set_twice.xml": file_text(
        section("ﾌｫｰﾑ", ("Left", "1200"), ("Top", "600"))),
    # A new item's "‡" becomes CR LF; an existing item keeps its "‡".
    "dagger.xml": file_text(
        section("ﾕｰｻﾞｰ", ("Old", "c‡d"), ("New", "a\r\nb"))),
    # two_sections.xml with a third section committed later: it goes just before </運用>.
    "inserted_section.xml": file_text(
        section("ﾌｫｰﾑ", ("Left", "900"), ("Top", "600")),
        section("ﾕｰｻﾞｰ", ("保存形式", "BMP")),
        section("追加", ("Width", "7200"))),
    # Half-width katakana in names and values, as the main window stores its options.
    "hankaku.xml": file_text(
        section("ﾌｫｰﾑ", ("Left", "1440.5")),
        section("ﾕｰｻﾞｰ", ("ｽｹｰﾙ表示", "実寸"), ("保存ﾌｧｲﾙ", "ｽｷｬﾝﾍﾟｰｼﾞ"), ("ｽｷｬﾝ後減色", "2"))),
}

if __name__ == "__main__":
    for name, text in GOLDEN.items():
        with open(name, "wb") as f:
            f.write(text.encode("cp932"))
