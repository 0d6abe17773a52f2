#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a command's manual page with help2man from the command's own --help, so that the page
cannot say other than the command does. A command with subcommands gets a COMMANDS section: each
subcommand's --help, also put into roff by help2man.

Usage: command_manual.py HELP2MAN PROGRAM NAME SUMMARY OUTPUT
  PROGRAM the built command; NAME what users type (the page's title); SUMMARY the NAME line
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile

SEE_ALSO = {
    "veltrane": ["veltrane-screen(1)", "veltrane(3)"],
    "veltrane-screen": ["veltrane(1)", "veltrane(3)"],
}


def subcommands(program):
    """The names listed under "Subcommands:" in the command's help, in their order."""
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True).stdout
    listing = help_text.partition("\nSubcommands:\n")[2]
    names = []
    for line in listing.splitlines():
        match = re.match(r"^  (\S+)", line)
        if not match:
            break
        names.append(match.group(1))
    return names


def help2man(tool, command, version, extra=()):
    """help2man's page for a shell command line, run where its first word is found on the PATH."""
    return subprocess.run(
        [tool, "--no-info", f"--version-string={version}", *extra, command],
        check=True, capture_output=True, text=True, env=os.environ | {"LC_ALL": "C.UTF-8"}).stdout


def subcommand_section(tool, name, subcommand, version):
    """A subcommand's page body as a subsection: its synopsis, its words and its options."""
    page = help2man(tool, f"{name} {subcommand}", version)
    synopsis = page.partition(".SH SYNOPSIS\n")[2].partition(".SH DESCRIPTION\n")[0]
    body = page.partition(".SH DESCRIPTION\n")[2]
    body = re.sub(r'^\.S[HS] "?([^"\n]*?)"?$', lambda m: heading(m.group(1)), body, flags=re.M)
    return f'.SS "{name} {subcommand}"\n{synopsis}.PP\n{body}'


def heading(title):
    """A section heading of a subcommand's help, as a bold line in the subsection."""
    title = title.rstrip(":").capitalize()
    return f".PP\n\\fB{title}:\\fR"


def include_file(tool, name, program, version):
    """help2man's include file: the COMMANDS section, if any, and SEE ALSO."""
    sections = []
    names = subcommands(program)
    if names:
        body = "".join(subcommand_section(tool, name, sub, version) for sub in names)
        sections.append("[COMMANDS]\n" + body)
    references = ",\n".join(".BR " + re.sub(r"\((\d)\)$", r" (\1)", ref).replace("-", "\\-")
                            for ref in SEE_ALSO.get(name, []))
    if references:
        sections.append("[SEE ALSO]\n" + references + "\n")
    return "\n".join(sections)


def main():
    if len(sys.argv) != 6:
        sys.exit("usage: command_manual.py HELP2MAN PROGRAM NAME SUMMARY OUTPUT")
    tool, program, name, summary, output = sys.argv[1:]
    program = os.path.abspath(program)
    # The command runs under the name users type, so its help shows that name in "Usage:".
    os.environ["PATH"] = os.path.dirname(program) + os.pathsep + os.environ.get("PATH", "")
    if os.path.basename(program) != name:
        sys.exit(f"command_manual.py: {program} is not named {name}")
    version_line = subprocess.run([program, "--version"], check=True, capture_output=True,
                                  text=True).stdout.split()
    version = version_line[-1]
    with tempfile.NamedTemporaryFile("w", suffix=".h2m", delete=False) as include:
        include.write(include_file(tool, name, program, version))
    try:
        page = help2man(tool, shlex.quote(name), version, [f"--name={summary}",
                                                             f"--include={include.name}"])
    finally:
        os.unlink(include.name)
    with open(output, "w", encoding="utf-8") as target:
        target.write(page)


if __name__ == "__main__":
    main()
