# SPDX-License-Identifier: MIT
"""Drive LED display controllers ("screens") over UDP or a serial line through libveltrane.

    import veltrane

    with veltrane.Library():
        screen = veltrane.Screen.udp("192.168.1.50")
        screen.power = True
        program = veltrane.Program()
        page = program.page()
        page.text((0, 0, 63, 15), "Hello", color="yellow")
        screen.send(program)
"""

__version__ = "0.1.0"

from ._native import library_version
from .colors import Color, color_value
from .errors import (
    ArgumentError,
    BadReplyError,
    BuildError,
    CancelledError,
    DeviceError,
    LibraryNotFoundError,
    NoAnswerError,
    NotStartedError,
    RefusedError,
    VeltraneError,
)
from .program import DATETIME_FORMATS, Page, Picture, Program, Rect
from .screen import Library, Screen

__all__ = [
    "ArgumentError",
    "BadReplyError",
    "BuildError",
    "CancelledError",
    "Color",
    "DATETIME_FORMATS",
    "DeviceError",
    "Library",
    "LibraryNotFoundError",
    "NoAnswerError",
    "NotStartedError",
    "Page",
    "Picture",
    "Program",
    "Rect",
    "RefusedError",
    "Screen",
    "VeltraneError",
    "color_value",
    "library_version",
]
