# SPDX-License-Identifier: MIT
"""The exceptions: every failure is a VeltraneError, and also the standard exception it is a kind
of, so that callers may catch either."""

from __future__ import annotations

from typing import Dict, Optional, Type


class VeltraneError(Exception):
    """A call failed. For a failed library call, `call` names it, `result` is what it returned,
    `code` is the library's VELTRANE_ERROR_* code and `reason` its own words for why; for an
    argument refused here before anything was sent, `call` and `result` are None."""

    def __init__(
        self,
        reason: str,
        call: Optional[str] = None,
        result: Optional[int] = None,
        code: int = 0,
    ) -> None:
        super().__init__(_failure_text(call, result, reason))
        self.call = call
        self.result = result
        self.code = code
        self.reason = reason


class ArgumentError(VeltraneError, ValueError):
    """An argument out of its range or not what the call takes; nothing was sent."""


class DeviceError(VeltraneError, OSError):
    """The serial device or UDP port could not be used (missing, held, not permitted, or the
    system refused)."""


class NoAnswerError(VeltraneError, TimeoutError):
    """The screen gave no acceptable answer within the call's tries."""


class BadReplyError(DeviceError):
    """The screen answered, but its reply was damaged or not the one asked for."""


class RefusedError(DeviceError):
    """Refused by the screen: it answered an upload with a refusal."""


class BuildError(VeltraneError):
    """The library could not build the program or an area of it (no free slot, a font, a size
    that does not fit)."""


class CancelledError(VeltraneError):
    """The call was cancelled before it finished."""


class NotStartedError(VeltraneError, RuntimeError):
    """A call that needs the library came outside `with veltrane.Library():`."""


class LibraryNotFoundError(VeltraneError, OSError):
    """libveltrane could not be loaded; the message names every place it was looked for."""


# The library's VELTRANE_ERROR_* codes (veltrane/veltrane.h) and what each one raises.
_BY_CODE: Dict[int, Type[VeltraneError]] = {
    2: RefusedError,  # REFUSED
    3: DeviceError,  # BUSY
    4: DeviceError,  # PERMISSION
    5: DeviceError,  # NO_DEVICE
    6: DeviceError,  # SYSTEM
    7: NoAnswerError,  # NO_ANSWER
    8: BadReplyError,  # BAD_REPLY
    10: BuildError,  # BUILD
    11: ArgumentError,  # BAD_ARGUMENT
    12: CancelledError,  # CANCELLED
}


def error_for(call: str, result: int, code: int, reason: str) -> VeltraneError:
    """The exception for a failed library call, chosen by the code the library gave."""
    return _BY_CODE.get(code, VeltraneError)(reason, call=call, result=result, code=code)


def _failure_text(call: Optional[str], result: Optional[int], reason: str) -> str:
    """The one place that words a failure, so every exception reads the same way."""
    if call is None:
        return reason
    said = f": {reason}" if reason else ""
    return f"{call} failed (it returned {result}){said}"
