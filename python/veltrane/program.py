# SPDX-License-Identifier: MIT
"""Programs: pages of areas, described here and built into the library when sent. Every value is
checked when the area is added, so a program that was built can be sent."""

from __future__ import annotations

import ctypes
from typing import Any, Dict, Iterable, List, Sequence, Tuple, Union

from ._arguments import INT32_MAX, INT32_MIN, c_text, whole_number
from ._native import LedBitmap, LedRect, failure
from .colors import Color, color_value, rgb
from .errors import ArgumentError

# The date-time forms an area can show, by name, as the library numbers them.
DATETIME_FORMATS: Dict[str, int] = {
    "date": 1,
    "time": 2,
    "time-seconds": 3,
    "year": 4,
    "month": 5,
    "day": 6,
    "hour": 7,
    "minute": 8,
    "second": 9,
    "weekday": 10,
}
_DEFAULT_FONT = "DejaVu Sans"
_U16 = 65535  # the largest value of a program's 16-bit fields: sides, area values, root fields
_MAX_TEXT_BYTES = 2047
_MAX_FONT_BYTES = 255
_POINT_SIZES = (1, 1000)

# (left, top, right, bottom), each 0..65535.
Rect = Tuple[int, int, int, int]
# A Pillow image (anything with .size and .convert), or rows of colours.
Picture = Union[Any, Iterable[Iterable[Color]]]


class Program:
    """What a screen shows: pages, each holding areas. color_mode 1 packs pictures one bit per
    pixel (red), any other value two bits (red, green, yellow). root_type is stored for the screen
    as it is. Both are 0..65535. A program can be sent to any number of screens."""

    def __init__(self, root_type: int = 1, color_mode: int = 2) -> None:
        self.root_type = whole_number("root_type", root_type, 0, _U16)
        self.color_mode = whole_number("color_mode", color_mode, 0, _U16)
        self.pages: List[Page] = []

    def page(self, param: int = 0) -> Page:
        """Adds a page and returns it; areas are added to the page."""
        page = Page(param)
        self.pages.append(page)
        return page

    def _build(self, lib: Any) -> int:
        """Builds the program into a free slot of the library and returns the slot; on failure
        frees the slot and raises."""
        slot = lib.MakeRoot(self.root_type, self.color_mode)
        if slot == 0:
            raise failure("MakeRoot", slot)
        try:
            for page in self.pages:
                _require("AddLeaf", lib.AddLeaf(slot, page.param))
                for export, arguments in page._areas:
                    _require(export, getattr(lib, export)(slot, *arguments))
        except BaseException:
            lib.LED_ReleaseMem(slot)
            raise
        return slot


class Page:
    """One page of a Program. Every area takes rect = (left, top, right, bottom) and the values
    the screen interprets (area_param, param_a, param_b, each 0..65535), which are stored as they
    are. Texts hold no zero byte and at most 2047 bytes, font names at most 255."""

    def __init__(self, param: int = 0) -> None:
        self.param = whole_number("the page param", param, INT32_MIN, INT32_MAX)
        # (export, its arguments after the slot)
        self._areas: List[Tuple[str, Tuple[Any, ...]]] = []
        self._pictures: List[Any] = []  # the pixels the window areas point at

    def text(
        self,
        rect: Rect,
        text: str,
        font: str = _DEFAULT_FONT,
        size: int = 12,
        color: Color = "red",
        area_param: int = 0,
        param_a: int = 0,
        param_b: int = 0,
    ) -> Page:
        """Text drawn here in an installed font at size points (1..1000), as one line."""
        return self._add(
            "AddText", _rect(rect), _u16("area_param", area_param), _text("text", text),
            _font(font), _size(size), color_value(color), _u16("param_a", param_a),
            _u16("param_b", param_b),
        )

    def string(
        self,
        rect: Rect,
        text: Union[str, bytes],
        string_param_a: int = 0,
        string_param_b: int = 0,
        area_param: int = 0,
        param_a: int = 0,
        param_b: int = 0,
        encoding: str = "utf-8",
    ) -> Page:
        """Text the screen renders in its own font, sent as bytes in the screen's encoding."""
        return self._add(
            "AddString", _rect(rect), _u16("area_param", area_param),
            c_text("text", text, _MAX_TEXT_BYTES, encoding),
            whole_number("string_param_a", string_param_a, INT32_MIN, INT32_MAX),
            whole_number("string_param_b", string_param_b, INT32_MIN, INT32_MAX),
            _u16("param_a", param_a), _u16("param_b", param_b),
        )

    def datetime(
        self,
        rect: Rect,
        format: Union[str, int] = "time",
        font: str = _DEFAULT_FONT,
        size: int = 12,
        color: Color = "red",
        area_param: int = 0,
    ) -> Page:
        """The screen's own date, time or weekday: format is a name of DATETIME_FORMATS or 1..10."""
        return self._add(
            "AddDateTime", _rect(rect), _font(font), _size(size), color_value(color),
            _datetime_kind(format), _u16("area_param", area_param),
        )

    def clock(
        self,
        rect: Rect,
        hour: Color = "red",
        minute: Color = "green",
        second: Color = "yellow",
        mark: Color = "green",
        ring: Color = "red",
        face: Color = "black",
        area_param: int = 0,
    ) -> Page:
        """An analog clock the screen runs from its own time."""
        colors = [color_value(c) for c in (hour, minute, second, mark, ring, face)]
        return self._add("AddClock", _rect(rect), _u16("area_param", area_param), *colors)

    def image(
        self, rect: Rect, picture: Picture, param_a: int = 0, param_b: int = 0, area_param: int = 0
    ) -> Page:
        """A picture: a Pillow image, or rows of colours (each a name, tuple or 0x00BBGGRR)."""
        area = _rect(rect)
        width, height, pixels = _bgr_pixels(picture)
        buffer = (ctypes.c_uint8 * len(pixels)).from_buffer(pixels)
        self._pictures.append(buffer)
        bitmap = LedBitmap(width, height, width * 3, 0, ctypes.addressof(buffer))
        return self._add(
            "AddWindow", ctypes.byref(bitmap), width, height, area, _u16("param_a", param_a),
            _u16("param_b", param_b), _u16("area_param", area_param),
        )

    def _add(self, export: str, *arguments: Any) -> Page:
        self._areas.append((export, arguments))
        return self


def _u16(name: str, value: int) -> int:
    return whole_number(name, value, 0, _U16)


def _size(size: int) -> int:
    return whole_number("size", size, *_POINT_SIZES)


def _text(name: str, text: str) -> bytes:
    if not isinstance(text, str):
        raise TypeError(f"{name} must be str, not {type(text).__name__}")
    return c_text(name, text, _MAX_TEXT_BYTES)


def _font(font: str) -> bytes:
    if not isinstance(font, str):
        raise TypeError(f"font must be str, not {type(font).__name__}")
    return c_text("font", font, _MAX_FONT_BYTES)


def _rect(rect: Sequence[int]) -> LedRect:
    try:
        left, top, right, bottom = rect
    except (TypeError, ValueError):
        raise TypeError(f"rect is (left, top, right, bottom), not {rect!r}") from None
    sides = zip(("left", "top", "right", "bottom"), (left, top, right, bottom))
    return LedRect(*(whole_number(f"rect {name}", side, 0, _U16) for name, side in sides))


def _datetime_kind(format: Union[str, int]) -> int:
    if isinstance(format, str):
        if format not in DATETIME_FORMATS:
            raise ArgumentError(
                f"unknown date-time format {format!r}: use {', '.join(DATETIME_FORMATS)} or 1..10"
            )
        return DATETIME_FORMATS[format]
    return whole_number("format", format, 1, len(DATETIME_FORMATS))


def _require(call: str, result: int) -> None:
    if result != 1:
        raise failure(call, result)


def _bgr_pixels(picture: Picture) -> Tuple[int, int, bytearray]:
    """(width, height, pixels as B,G,R bytes row by row) of a Pillow image or of rows of colours."""
    if hasattr(picture, "convert") and hasattr(picture, "size"):
        width, height = picture.size
        rgb_bytes = picture.convert("RGB").tobytes()
        pixels = bytearray(len(rgb_bytes))
        pixels[0::3], pixels[1::3], pixels[2::3] = rgb_bytes[2::3], rgb_bytes[1::3], rgb_bytes[0::3]
    else:
        rows = [list(row) for row in picture]
        width, height = max((len(row) for row in rows), default=0), len(rows)
        pixels = bytearray(width * height * 3)
        for y, row in enumerate(rows):
            for x, color in enumerate(row):
                red, green, blue = rgb(color)
                pixels[(y * width + x) * 3:(y * width + x + 1) * 3] = bytes((blue, green, red))
    if not (0 < width <= _U16 and 0 < height <= _U16):
        raise ArgumentError(f"a picture must be 1..{_U16} pixels on a side, not {width}x{height}")
    return width, height, pixels
