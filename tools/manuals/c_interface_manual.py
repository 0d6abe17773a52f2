#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the manual page veltrane(3) from the public header, so that the page says what the header
says and nothing else.

The header's first comment is the description (a licence tag is no text for readers and is left
out); each "---- Title ----" comment starts a section.
A comment that runs straight into a declaration describes it; other comments are paragraphs of
their section. The page is the Linux one: code under a preprocessor condition is kept where no
platform macro is defined (defined(X) is false, so #ifndef and !defined(X) keep their code).

Usage: c_interface_manual.py HEADER VERSION OUTPUT
"""
import re
import sys

SECTION_MARKER = re.compile(r"^-{3,}\s*(.*?)\s*-{3,}$")
LICENCE_TAG = re.compile(r"^SPDX-License-Identifier:")
CALL_MACROS = re.compile(r"\b(VELTRANE_API|VELTRANE_CALL)\s*")
LINE_WIDTH = 74  # a prototype wider than this is broken after its commas


def condition_holds(directive):
    """Whether code under `directive` (#if/#ifdef/#ifndef ...) is kept when nothing is defined."""
    kind, _, expression = directive.partition(" ")
    if kind == "#ifdef":
        return False
    if kind == "#ifndef":
        return True
    expression = re.sub(r"!\s*defined\s*\(\s*\w+\s*\)", "1", expression)
    expression = re.sub(r"defined\s*\(\s*\w+\s*\)", "0", expression)
    return expression.strip() == "1"


def kept_lines(text):
    """The header's lines outside the preprocessor branches that are dropped, directives
    removed except #define."""
    kept, stack = [], []
    for line in text.splitlines():
        stripped = line.strip()
        if re.match(r"#\s*if", stripped):
            stack.append(condition_holds(re.sub(r"^#\s*", "#", stripped)))
        elif re.match(r"#\s*else", stripped):
            stack[-1] = not stack[-1]
        elif re.match(r"#\s*endif", stripped):
            stack.pop()
        elif all(stack) and not re.match(r"#\s*(include|pragma|undef)", stripped):
            kept.append(line)
    return kept


def split_items(lines):
    """The header as a list of ("comment", text), ("code", text) and ("gap", "") items."""
    items, index = [], 0
    while index < len(lines):
        line = lines[index].strip()
        if not line:
            items.append(("gap", ""))
            index += 1
        elif line.startswith("/*"):
            body = [line]
            while "*/" not in body[-1]:
                index += 1
                body.append(lines[index].strip())
            text = comment_text(body)
            if not LICENCE_TAG.match(text):
                items.append(("comment", text))
            index += 1
        else:
            body = [lines[index]]
            while not code_complete("\n".join(body)):
                index += 1
                body.append(lines[index])
            items.append(("code", "\n".join(body)))
            index += 1
    return items


def code_complete(code):
    if code.lstrip().startswith("#"):
        return not code.rstrip().endswith("\\")
    return code.rstrip().endswith(";") and code.count("{") == code.count("}")


def comment_text(lines):
    """A comment's words, its paragraphs separated by empty lines."""
    text = []
    for line in lines:
        line = re.sub(r"^/\*+", "", line)
        line = re.sub(r"\*+/$", "", line)
        line = re.sub(r"^\*(\s|$)", "", line)
        text.append(line.strip())
    return "\n".join(text).strip()


def roff_text(text):
    """Text for a roff paragraph: backslashes and line-leading control characters escaped."""
    text = text.replace("\\", "\\e")
    return "\n".join(("\\&" + line if line[:1] in (".", "'") else line) for line in text.splitlines())


def paragraphs(text):
    """Prose paragraphs; a `name` in backquotes (an argument) in italics."""
    out = []
    for paragraph in re.split(r"\n\s*\n", text):
        words = roff_text(" ".join(paragraph.split()))
        if words:
            out += [".PP", re.sub(r"`([^`]+)`", r"\\fI\1\\fR", words)]
    return out


def code_block(code):
    return [".PP", ".nf", ".ft B", roff_text(code).replace("-", "\\-"), ".ft R", ".fi"]


def prototype(code):
    """A declaration on one line without the export macros, broken after commas when too wide."""
    flat = " ".join(CALL_MACROS.sub("", code).split())
    flat = flat.replace("( ", "(").replace(" )", ")")
    if len(flat) <= LINE_WIDTH:
        return flat
    opening = flat.index("(") + 1
    lines, line = [], ""
    for piece in re.split(r"(?<=,) ", flat):
        if line and len(line) + 1 + len(piece) > LINE_WIDTH:
            lines.append(line)
            line = " " * opening + piece
        else:
            line = f"{line} {piece}" if line else piece
    return "\n".join(lines + [line])


def define_entry(code, description):
    """A public macro as a tagged paragraph, described by its own trailing comment or else by the
    comment before it; nothing for a function-like or empty macro."""
    match = re.match(r"#\s*define\s+(\w+)(\(?)([^/\n\\]*)(?:/\*(.*?)\*/)?", code)
    if not match or match.group(2):
        return []
    name, value, note = match.group(1), match.group(3).strip(), (match.group(4) or "").strip()
    continued = code.rstrip().endswith("\\") or "\\\n" in code
    if not value and not continued:
        return []
    tag = f"\\fB{name}\\fR" + (f" ({roff_text(value)})" if value else "")
    if not note:
        return [".TP", tag, roff_text(" ".join((description or "").split())) or ".br"]
    return paragraphs(description or "") + [".TP", tag, roff_text(note)]


def render(header_text, version):
    items = split_items(kept_lines(header_text))
    first = next(text for kind, text in items if kind == "comment")
    items.remove(("comment", first))
    opening, _, description = first.partition("\n\n")
    name_line = re.sub(r"^Veltrane:\s*", "", " ".join(opening.split())).rstrip(".")
    out = [
        f'.TH VELTRANE 3 "" "veltrane {version}" "Veltrane C interface"',
        ".nh",
        ".ad l",
        ".SH NAME",
        f"veltrane \\- {roff_text(name_line)}",
        ".SH SYNOPSIS",
        ".nf",
        ".B #include <veltrane/veltrane.h>",
        ".fi",
        ".PP",
        "Link with \\fB\\-lveltrane\\fR (\\fBpkg\\-config \\-\\-cflags \\-\\-libs veltrane\\fR).",
        ".SH DESCRIPTION",
    ]
    out += paragraphs(description)
    out += [".SH TYPES"]
    pending = None  # a comment that may describe the code right after it
    for kind, text in items:
        if kind == "comment":
            if pending is not None:
                out += paragraphs(pending)
            marker = SECTION_MARKER.match(text)
            pending = None
            if marker:
                out += [".SH " + roff_text(marker.group(1).upper())]
            else:
                pending = text
            continue
        if kind == "gap":
            if pending is not None:
                out += paragraphs(pending)
            pending = None
            continue
        out += code_entry(text, pending)
        pending = None
    if pending is not None:
        out += paragraphs(pending)
    out += [".SH SEE ALSO", "\\fBveltrane\\fR(1), \\fBveltrane\\-screen\\fR(1)"]
    return "\n".join(out) + "\n"


def code_entry(code, description):
    """A declaration or macro with the comment written right before it, if any."""
    if code.lstrip().startswith("#"):
        return define_entry(code, description)
    block = code_block(code if code.lstrip().startswith("typedef struct") else prototype(code))
    if description is None:
        return block
    return block + [".RS 4"] + paragraphs(description) + [".RE"]


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: c_interface_manual.py HEADER VERSION OUTPUT")
    header, version, output = sys.argv[1:]
    with open(header, encoding="utf-8") as source:
        page = render(source.read(), version)
    with open(output, "w", encoding="utf-8") as target:
        target.write(page)


if __name__ == "__main__":
    main()
