"""Programs: pages of areas, described here and built into the library when sent."""

import ctypes

from ._native import LedBitmap, LedRect
from .colors import color_value, rgb
from .errors import VeltraneError

# The date-time forms an area can show, by name, as the library numbers them.
DATETIME_FORMATS = {
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
_MAX_SIDE = 65535


class Program:
    """What a screen shows: pages, each holding areas. color_mode 1 packs pictures one bit per
    pixel (red), any other value two bits (red, green, yellow). root_type is stored for the screen
    as it is. A program can be sent to any number of screens."""

    def __init__(self, root_type=1, color_mode=2):
        self.root_type = root_type
        self.color_mode = color_mode
        self.pages = []

    def page(self, param=0):
        """Adds a page and returns it; areas are added to the page."""
        page = Page(param)
        self.pages.append(page)
        return page

    def _build(self, lib):
        """Builds the program into a free slot of the library and returns the slot; on failure
        frees the slot and raises."""
        slot = lib.MakeRoot(self.root_type, self.color_mode)
        if slot == 0:
            raise VeltraneError("MakeRoot", slot)
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
    the screen interprets (area_param, param_a, param_b), which are stored as they are."""

    def __init__(self, param=0):
        self.param = param
        self._areas = []  # (export, its arguments after the slot)
        self._pictures = []  # the pixels the window areas point at

    def text(self, rect, text, font=_DEFAULT_FONT, size=12, color="red", area_param=0,
             param_a=0, param_b=0):
        """Text drawn here in an installed font at size points, as one line."""
        return self._add("AddText", _rect(rect), area_param, text.encode(), font.encode(), size,
                         color_value(color), param_a, param_b)

    def string(self, rect, text, string_param_a=0, string_param_b=0, area_param=0, param_a=0,
               param_b=0, encoding="utf-8"):
        """Text the screen renders in its own font, sent as bytes in the screen's encoding."""
        data = text if isinstance(text, bytes) else text.encode(encoding)
        return self._add("AddString", _rect(rect), area_param, data, string_param_a,
                         string_param_b, param_a, param_b)

    def datetime(self, rect, format="time", font=_DEFAULT_FONT, size=12, color="red",
                 area_param=0):
        """The screen's own date, time or weekday: format is a name of DATETIME_FORMATS or 1..10."""
        kind = DATETIME_FORMATS[format] if isinstance(format, str) else int(format)
        return self._add("AddDateTime", _rect(rect), font.encode(), size, color_value(color), kind,
                         area_param)

    def clock(self, rect, hour="red", minute="green", second="yellow", mark="green", ring="red",
              face="black", area_param=0):
        """An analog clock the screen runs from its own time."""
        colors = [color_value(c) for c in (hour, minute, second, mark, ring, face)]
        return self._add("AddClock", _rect(rect), area_param, *colors)

    def image(self, rect, picture, param_a=0, param_b=0, area_param=0):
        """A picture: a Pillow image, or rows of colours (each a name, tuple or 0x00BBGGRR)."""
        width, height, pixels = _bgr_pixels(picture)
        buffer = (ctypes.c_uint8 * len(pixels)).from_buffer(pixels)
        self._pictures.append(buffer)
        bitmap = LedBitmap(width, height, width * 3, 0, ctypes.addressof(buffer))
        return self._add("AddWindow", ctypes.byref(bitmap), width, height, _rect(rect), param_a,
                         param_b, area_param)

    def _add(self, export, *arguments):
        self._areas.append((export, arguments))
        return self


def _rect(rect):
    left, top, right, bottom = rect
    return LedRect(left, top, right, bottom)


def _require(call, result):
    if result != 1:
        raise VeltraneError(call, result)


def _bgr_pixels(picture):
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
    if not (0 < width <= _MAX_SIDE and 0 < height <= _MAX_SIDE):
        raise ValueError(f"a picture must be 1..{_MAX_SIDE} pixels on a side, not {width}x{height}")
    return width, height, pixels
