# SPDX-License-Identifier: MIT
"""Colours as the library takes them: 0x00BBGGRR."""

from __future__ import annotations

from typing import Tuple, Union

from .errors import ArgumentError

# A name ("red"), "#RRGGBB", an (r, g, b) tuple or a 0x00BBGGRR integer.
Color = Union[str, int, Tuple[int, int, int]]

_NAMES = {
    "black": (0, 0, 0),
    "red": (255, 0, 0),
    "green": (0, 255, 0),
    "yellow": (255, 255, 0),
    "white": (255, 255, 255),
}


def color_value(color: Color) -> int:
    """0x00BBGGRR of a name ("red"), "#RRGGBB", an (r, g, b) tuple or a 0x00BBGGRR integer."""
    if isinstance(color, bool):
        raise TypeError(f"not a colour: {color!r}")
    if isinstance(color, int):
        if not 0 <= color <= 0xFFFFFF:
            raise ArgumentError(f"colour out of range 0..0xFFFFFF: {color:#x}")
        return color
    return _pack(*_rgb(color))


def rgb(color: Color) -> Tuple[int, int, int]:
    """The (r, g, b) of any colour color_value takes."""
    value = color_value(color)
    return value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF


def _rgb(color: object) -> Tuple[int, int, int]:
    if isinstance(color, str):
        text = color.strip().lower()
        if text in _NAMES:
            return _NAMES[text]
        if len(text) == 7 and text.startswith("#"):
            try:
                number = int(text[1:], 16)
            except ValueError:
                pass
            else:
                return number >> 16, (number >> 8) & 0xFF, number & 0xFF
        names = ", ".join(_NAMES)
        raise ArgumentError(f"unknown colour {color!r}: use {names}, '#RRGGBB' or (r, g, b)")
    try:
        red, green, blue = color  # type: ignore[misc]
    except (TypeError, ValueError):
        raise TypeError(f"not a colour: {color!r}") from None
    for part in (red, green, blue):
        if isinstance(part, bool) or not isinstance(part, int) or not 0 <= part <= 255:
            raise ArgumentError(f"colour parts must be integers 0..255: {color!r}")
    return red, green, blue


def _pack(red: int, green: int, blue: int) -> int:
    return red | (green << 8) | (blue << 16)
