#!/usr/bin/env python3
"""Write htmlentitytable.h (at build time, for formats/): HTML's named character references.

The names come from Python's html.entities.html5, which copies the WHATWG
HTML standard's list of named character references: 2,231 names, each with
its ';', and the legacy ones that browsers also take without it listed a
second time without.  Each stands for one or two characters.

The table is sorted byte for byte, so the reader finds a name by binary
search.  The build runs this script (formats/CMakeLists.txt): the table is
data, written where the build puts what it makes.

Usage:  python3 tools/make_html_entities.py OUTPUT
"""

import html.entities
import os
import sys


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    output = sys.argv[1]
    entities = html.entities.html5
    names = sorted(entities)
    for name in names:
        if not name.rstrip(";").isalnum() or not name.isascii() or not 1 <= len(entities[name]) <= 2:
            sys.exit(f"unexpected entry {name!r} in html.entities.html5")
    longest_legacy = max(len(n) for n in names if not n.endswith(";"))
    lines = [
        "// HTML's named character references, as browsers read them in text. Written by",
        "// tools/make_html_entities.py from Python's html.entities.html5 (the WHATWG list); do not edit.",
        "#pragma once",
        "",
        "#include <array>",
        "#include <cstddef>",
        "#include <string_view>",
        "",
        "struct HtmlEntity",
        "{",
        "    // Without the '&'. A name that ends in ';' needs it; the legacy names are there without it too.",
        "    std::string_view name;",
        "    char32_t first;",
        "    // 0 for a reference to one character.",
        "    char32_t second;",
        "};",
        "",
        f"inline constexpr std::size_t longestHtmlEntityName = {max(len(n) for n in names)};",
        "// The longest of the names without ';'.",
        f"inline constexpr std::size_t longestLegacyHtmlEntityName = {longest_legacy};",
        "",
        "// Sorted by name, byte for byte.",
        f"inline constexpr std::array<HtmlEntity, {len(names)}> htmlEntities{{{{",
    ]
    for name in names:
        text = entities[name]
        second = f"0x{ord(text[1]):X}" if len(text) > 1 else "0"
        lines.append(f'    {{"{name}", 0x{ord(text[0]):X}, {second}}},')
    lines.append("}};")
    with open(output, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print(f"{output}: {len(names)} names")


if __name__ == "__main__":
    main()
