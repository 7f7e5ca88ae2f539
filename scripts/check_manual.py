#!/usr/bin/env python3
"""Holds the manual (resources/help/index.html) to the program.

- every window of the program is in the F1 table of src/common/HelpKey.cpp,
  and every section that table names is in the manual;
- no link or picture in the manual is broken;
- every message box text in the sources is explained in the manual, as the
  program shows it.

Usage: check_manual.py [source root]. Prints each problem and exits 1 when
there is one.
"""

import html
import html.parser
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
SRC = ROOT / "src"
HELP = ROOT / "resources" / "help"
MANUAL = HELP / "index.html"

# The Qt classes a window of the program is built on. Pages of the main window
# are plain widgets; they are known by name (T...Page), like the spectator
# screen (T...Window).
WINDOW_BASES = {"QDialog", "QMainWindow"}
NAMED_WIDGET = re.compile(r"T\w+(Page|Window)$")

problems = []


def sources(pattern):
    return sorted(SRC.rglob(pattern))


def help_table():
    text = (SRC / "common" / "HelpKey.cpp").read_text(encoding="utf-8")
    table = dict(re.findall(r'\{"(\w+)",\s*"([\w-]+)"\}', text))
    if not table:
        problems.append("no F1 table found in src/common/HelpKey.cpp")
    return table


def window_classes():
    """The program's own window classes: those built on a Qt window class,
    without the shared bases that other windows derive from, plus the pages
    and the windows created at start-up."""
    bases = {}
    for header in sources("*.h"):
        for name, base in re.findall(r"^class\s+(T\w+)\s*(?:final\s*)?:\s*public\s+(\w+)", header.read_text(encoding="utf-8"), re.M):
            bases[name] = base

    def is_window(name):
        seen = set()
        while name in bases and name not in seen:
            seen.add(name)
            name = bases[name]
        return name in WINDOW_BASES

    shared = set(bases.values())
    windows = {name for name in bases if is_window(name) and name not in shared}
    windows |= {name for name, base in bases.items() if base == "QWidget" and NAMED_WIDGET.match(name)}
    created = (SRC / "app" / "AppWindows.cpp").read_text(encoding="utf-8")
    windows |= set(re.findall(r'Make<(T\w+)>', created))
    return windows


class ManualParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []
        self.text = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "a" and "href" in attrs:
            self.links.append(attrs["href"])
        if tag == "img":
            self.links.append(attrs.get("src", ""))

    def handle_data(self, data):
        self.text.append(data)


def check_links(manual):
    for link in manual.links:
        if re.match(r"^(https?|mailto):", link):
            continue
        target, _, anchor = link.partition("#")
        if not target and not anchor:
            problems.append("empty link or picture in the manual")
        elif target:
            if not (HELP / target).is_file():
                problems.append(f"the manual points to {target}, which is not there")
        elif anchor not in manual.ids:
            problems.append(f"the manual links to #{anchor}, which no element has as id")


def c_literals(text):
    """The text of adjacent C++ string literals ("a" "b" -> ab)."""
    escapes = {"n": "\n", "t": "\t"}
    joined = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', text))
    return re.sub(r"\\(.)", lambda m: escapes.get(m.group(1), m.group(1)), joined)


def message_texts():
    # The literal first argument of a message box call, and the refusals the
    # record dialogs show in one.
    call = re.compile(r'(?:Messages::(?:Information|Warning|ErrorRetry|Error|Confirm|ResumeFinishDiscard)|Refused)\s*\(\s*QStringLiteral\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\)')
    texts = {}
    for source in sources("*.cpp"):
        for literal in call.findall(source.read_text(encoding="utf-8")):
            texts.setdefault(c_literals(literal), source.relative_to(ROOT))
    if not texts:
        problems.append("no message texts found in src/")
    return texts


def squeeze(text):
    return " ".join(text.split())


def main():
    table = help_table()
    manual = ManualParser()
    manual.feed(MANUAL.read_text(encoding="utf-8"))

    for cls, anchor in sorted(table.items()):
        if anchor not in manual.ids:
            problems.append(f"{cls}: the manual has no section with id \"{anchor}\"")
    for cls in sorted(window_classes() - table.keys()):
        problems.append(f"{cls} is a window without a section in the F1 table of src/common/HelpKey.cpp")

    check_links(manual)

    text = squeeze(html.unescape("".join(manual.text)))
    for message, where in sorted(message_texts().items()):
        # Texts with %1 are checked piece by piece around what is filled in.
        for piece in re.split(r"%\d", message):
            if squeeze(piece) and squeeze(piece) not in text:
                problems.append(f"the manual does not explain the message \"{message}\" ({where})")
                break

    for problem in dict.fromkeys(problems):  # each once, in the order found
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
