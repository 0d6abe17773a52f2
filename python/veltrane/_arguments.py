# SPDX-License-Identifier: MIT
"""Checks of what callers hand over, made before anything is built or sent: the library would take
a value it cannot hold as another (an address of 263 reaches screen 7) and cut a text at a zero
byte, so such values are refused here instead."""

from __future__ import annotations

from typing import Union

from .errors import ArgumentError

INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1


def whole_number(name: str, value: object, low: int, high: int) -> int:
    """`value` when it is an integer within low..high (a bool is no number here)."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}")
    if not low <= value <= high:
        raise ArgumentError(f"{name} must be {low}..{high}, not {value}")
    return value


def c_text(name: str, value: Union[str, bytes], limit: int, encoding: str = "utf-8") -> bytes:
    """The bytes of a text handed to the library, which reads up to the first zero byte and keeps
    at most `limit` bytes."""
    if isinstance(value, str):
        data = value.encode(encoding)
    elif isinstance(value, bytes):
        data = value
    else:
        raise TypeError(f"{name} must be text, not {type(value).__name__}")
    if b"\0" in data:
        raise ArgumentError(f"{name} holds a zero byte, where the library would cut it")
    if len(data) > limit:
        raise ArgumentError(f"{name} has {len(data)} bytes; the library keeps at most {limit}")
    return data
