#!/usr/bin/env python3
"""Size of the code at a revision: lines of product code, tests and tools,
and the ten longest product functions (a brace-matching count on the text,
comments, strings and preprocessor lines left out).

    scripts/code_metrics.py [REV]      (default HEAD)
"""
import re
import subprocess
import sys

GROUPS = {
    "product": ("launcher/", "updater/", "uninst/", "common/", "skinui/"),
    "tests": ("tests/",),
    "tools and fuzz targets": ("tools/", "fuzz/"),
}


def git(*arguments):
    return subprocess.run(["git", *arguments], capture_output=True, text=True, errors="replace", check=True).stdout


def source_files(rev):
    return [f for f in git("ls-tree", "-r", "--name-only", rev).split() if re.search(r"\.(cpp|h|hpp|c)$", f)]


def group_of(path):
    return next((name for name, prefixes in GROUPS.items() if path.startswith(prefixes)), None)


def code_only(text):
    """The text with preprocessor lines, comments and literals emptied; line breaks kept."""
    keep_lines = lambda m: "\n" * m.group(0).count("\n")
    text = re.sub(r"^[ \t]*#[^\n]*", "", text, flags=re.M)
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r"/\*.*?\*/", keep_lines, text, flags=re.S)
    text = re.sub(r'R"\((.*?)\)"', lambda m: '""' + keep_lines(m), text, flags=re.S)
    text = re.sub(r'"(\\.|[^"\\\n])*"', '""', text)
    return re.sub(r"'(\\.|[^'\\\n])*'", "''", text)


def brace_kind(head, enclosing):
    """What a '{' opens, from the text before it back to the last ';', '{' or '}'."""
    if re.search(r"\bnamespace\b[^()]*$", head) or head.startswith("extern"):
        return "namespace"
    if re.search(r"\b(class|struct|union)\b[^()]*$", head):
        return "class"
    at_top = all(kind in ("namespace", "class") for kind, _, _ in enclosing)
    if "(" in head and at_top and not head.endswith("=") and not head.startswith(("if", "for", "while", "switch")):
        return "function"
    return "block"


def functions(path, text):
    """(lines, path, head) of every function defined in TEXT."""
    code = code_only(text)
    found, stack, head_start, line = [], [], 0, 1
    for i, ch in enumerate(code):
        if ch == "\n":
            line += 1
        if ch not in ";{}":
            continue
        if ch == "{":
            raw = code[head_start:i]
            head = " ".join(raw.split())
            first_line = line - raw[len(raw) - len(raw.lstrip()):].count("\n")
            stack.append((brace_kind(head, stack), first_line, head[:100]))
        elif ch == "}" and stack:
            kind, first_line, head = stack.pop()
            if kind == "function":
                found.append((line - first_line + 1, path, head))
        head_start = i + 1
    return found


def main():
    rev = sys.argv[1] if len(sys.argv) > 1 else "HEAD"
    lines, longest = {}, []
    for path in source_files(rev):
        group = group_of(path)
        if group is None:
            continue
        text = git("show", f"{rev}:{path}")
        lines[group] = lines.get(group, 0) + text.count("\n")
        if group == "product":
            longest += functions(path, text)
    print(f"{rev}: " + ", ".join(f"{name} {lines.get(name, 0)} lines" for name in GROUPS))
    for count, path, head in sorted(longest, key=lambda f: -f[0])[:10]:
        print(f"{count:5d}  {path}: {head}")


if __name__ == "__main__":
    main()
