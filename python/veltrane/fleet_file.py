# SPDX-License-Identifier: MIT
"""The reader of fleet files, the lists of screens `veltrane --to FILE` reads: one screen a line,

    udp HOST[:PORT] [--address N] [name=NAME]
    serial PATH [--baud N] [--address N] [name=NAME]

where NAME is the rest of the line; a word starting with '#' starts a comment, blank lines are
skipped. It keeps the command's bounds (1 MiB, lines of 1024 bytes, 4096 screens, names of 64
bytes, no control character), refuses repeated names and screens, and says what is wrong with a
line in the command's words, "FILE:LINE: ..."; the values themselves are checked by Screen.udp
and Screen.serial."""

from __future__ import annotations

import os
import stat
from typing import Dict, List, Optional, Tuple, Union

from ._native import FLEET_MAX_SCREENS
from .errors import ArgumentError
from .screen import Screen, ipv4_of

_MAX_FILE_BYTES = 1024 * 1024
_MAX_LINE_BYTES = 1024
_MAX_NAME_BYTES = 64
_MAX_NUMBER_DIGITS = 6
_MAX_PORT_DIGITS = 5
_BLANKS = " \t"
_NAME = "name="
_DEFAULT_PORT = 6666
# Characters a terminal does not show as themselves: they would garble the results, or make one
# name look like another (the marks that reorder text or break its lines among them).
_CONTROL_RANGES = (
    (0x00, 0x08), (0x0A, 0x1F), (0x7F, 0x9F), (0x061C, 0x061C), (0x200E, 0x200F),
    (0x2028, 0x202E), (0x2066, 0x2069),
)


class _LineError(Exception):
    """What is wrong with one line."""


def read_fleet_file(
    path: Union[str, "os.PathLike[str]"]
) -> Tuple[List[Screen], List[Optional[str]]]:
    """The screens a fleet file lists, in file order, and the name each line gives (or None)."""
    text = _read_text(path)
    screens: List[Screen] = []
    names: List[Optional[str]] = []
    named: Dict[str, int] = {}
    seen: Dict[tuple, int] = {}
    hosts: Dict[str, str] = {}
    for number, line in enumerate(text.split("\n"), start=1):
        line = line[:-1] if line.endswith("\r") else line
        try:
            read = _read_line(line, hosts)
            if read is None:
                continue
            screen, name = read
            if len(screens) == FLEET_MAX_SCREENS:
                raise _LineError(f"more than {FLEET_MAX_SCREENS} screens")
            key = _identity(screen)
            if key in seen:
                raise _LineError(f"the same screen as line {seen[key]}")
            if name is not None and name in named:
                raise _LineError(f'the name "{name}" is taken by line {named[name]}')
        except (_LineError, ArgumentError) as error:
            raise ArgumentError(f"{os.fspath(path)}:{number}: {error}") from None
        seen[key] = number
        if name is not None:
            named[name] = number
        screens.append(screen)
        names.append(name)
    if not screens:
        raise ArgumentError(f"{os.fspath(path)}: lists no screens")
    return screens, names


def _read_text(path: Union[str, "os.PathLike[str]"]) -> str:
    """The file's text, bytes that are no UTF-8 kept as they are; only a regular file is read (a
    pipe would be waited on)."""
    try:
        # Opened without waiting: opening a pipe would wait for its writer.
        with open(os.open(path, os.O_RDONLY | os.O_NONBLOCK), "rb") as file:
            if not stat.S_ISREG(os.fstat(file.fileno()).st_mode):
                raise ArgumentError(f"{os.fspath(path)} is not a regular file")
            data = file.read(_MAX_FILE_BYTES + 1)
    except OSError as error:
        raise ArgumentError(f"cannot read {os.fspath(path)}: {error.strerror}") from None
    if len(data) > _MAX_FILE_BYTES:
        raise ArgumentError(f"{os.fspath(path)}: larger than {_MAX_FILE_BYTES} bytes")
    return data.decode("utf-8", errors="surrogateescape")


def _read_line(line: str, hosts: Dict[str, str]) -> Optional[Tuple[Screen, Optional[str]]]:
    """The screen of one line and its name, or None for a blank or comment line."""
    if len(os.fsencode(line)) > _MAX_LINE_BYTES:
        raise _LineError(f"longer than {_MAX_LINE_BYTES} bytes")
    for character in line:
        point = _code_point(character)
        if any(low <= point <= high for low, high in _CONTROL_RANGES):
            raise _LineError(f"holds a control character (U+{point:04X})")
    words = _words(line)
    if not words:
        return None
    kind, *rest = words
    if kind not in ("udp", "serial"):
        raise _LineError(f'expected udp HOST[:PORT] or serial PATH, got "{kind}"')
    if not rest or rest[0].startswith(_NAME):
        raise _LineError("udp needs HOST[:PORT]" if kind == "udp" else "serial needs a device path")
    place, options = rest[0], _options(kind, rest[1:])
    name = options.pop("name", None)
    if kind == "serial":
        return Screen.serial(place, **options), name
    host, port = _host_and_port(place)
    if host not in hosts:
        hosts[host] = _ipv4_of_line(host)
    return Screen.udp(hosts[host], port, **options), name


def _code_point(character: str) -> int:
    """The character's code point; a byte that was no UTF-8 stands for itself."""
    point = ord(character)
    return point - 0xDC00 if 0xDC80 <= point <= 0xDCFF else point


def _words(line: str) -> List[str]:
    """The words of a line up to a comment; `name=` takes the rest of the line as one word."""
    words: List[str] = []
    rest = line.lstrip(_BLANKS)
    while rest and not rest.startswith("#"):
        if rest.startswith(_NAME):
            words.append(rest.rstrip(_BLANKS))
            break
        end = min((i for i in (rest.find(" "), rest.find("\t")) if i >= 0), default=len(rest))
        word = rest[:end]
        words.append(word)
        rest = rest[end:].lstrip(_BLANKS)
    return words


def _options(kind: str, words: List[str]) -> Dict[str, object]:
    """The options after a screen's place: its address, baud and name."""
    options: Dict[str, object] = {}
    words = list(words)
    while words:
        word = words.pop(0)
        if word.startswith(_NAME):
            name = word[len(_NAME):]
            if not name:
                raise _LineError("name= needs a name")
            if len(os.fsencode(name)) > _MAX_NAME_BYTES:
                raise _LineError(f"a name has at most {_MAX_NAME_BYTES} bytes")
            options["name"] = name
        elif word in ("--address", "--baud"):
            if word == "--baud" and kind != "serial":
                raise _LineError("--baud is for serial lines only")
            key = word[2:]
            if key in options:
                raise _LineError(f"{word} is given twice")
            options[key] = _number(word, words.pop(0) if words else "")
        else:
            raise _LineError(f'unexpected "{word}"')
    return options


def _number(option: str, digits: str) -> int:
    if not digits.isdigit() or not digits.isascii() or len(digits) > _MAX_NUMBER_DIGITS:
        raise _LineError(f'{option}: expected a number, got "{digits}"')
    return int(digits)


def _host_and_port(place: str) -> Tuple[str, int]:
    host, colon, port = place.rpartition(":")
    if not colon:
        return place, _DEFAULT_PORT
    if not port.isdigit() or not port.isascii() or len(port) > _MAX_PORT_DIGITS:
        raise _LineError(f'udp: bad port "{port}"')
    return host, int(port)


def _ipv4_of_line(host: str) -> str:
    try:
        return ipv4_of(host)
    except ArgumentError as error:
        raise _LineError(f"udp: {error}") from None


def _identity(screen: Screen) -> tuple:
    """What tells two screens apart: where they are and the address they answer."""
    param = screen._param
    return (param.devType, bytes(param.RmtIP), param.rmtPort, param.locPort, param.devAddr)
