# SPDX-License-Identifier: MIT
"""The library's life cycle and the screens it talks to."""

from __future__ import annotations

import os
import socket
import threading
from types import TracebackType
from typing import Any, Callable, Dict, Optional, Type, Union

from ._arguments import INT32_MAX, c_text, whole_number
from ._native import DevParam, failure, native
from .errors import ArgumentError, DeviceError, NotStartedError
from .program import Program

_SERIAL_SPEEDS = {9600: 0, 19200: 1, 38400: 2, 57600: 3, 115200: 4}
_UDP, _SERIAL = 1, 0
_LAST_PORT = 65535
_LAST_ADDRESS = 255
_LAST_COM_PORT = 255
# A device path the library keeps (it is copied into its COM port table).
_MAX_PATH_BYTES = 4095


class _Started:
    """Whether the library is started: the first Library entered starts it, the last one left
    stops it. Every call that needs it asks here first."""

    def __init__(self) -> None:
        self._depth = 0
        self._lock = threading.Lock()

    def enter(self) -> None:
        with self._lock:
            if self._depth == 0:
                lib = native()
                _check("LED_Init", lib.LED_Init())
                try:
                    _check("LED_SetTextEncoding", lib.LED_SetTextEncoding(b"UTF-8"))
                except BaseException:
                    lib.LED_Cleanup()
                    raise
            self._depth += 1

    def leave(self) -> None:
        with self._lock:
            self._depth -= 1
            if self._depth == 0:
                _check("LED_Cleanup", native().LED_Cleanup(), ok=lambda r: r == 0)

    def require(self) -> Any:
        """The library, when started."""
        if self._depth == 0:
            raise NotStartedError(
                "the library is not started: call it inside `with veltrane.Library():`"
            )
        return native()


_started = _Started()


class Library:
    """Starts the library on entry (LED_Init) and stops it on exit (LED_Cleanup); every call on a
    screen or program comes in between. Contexts may nest: the library stops when the last one
    is left. Texts and font names are handed over as UTF-8."""

    def __enter__(self) -> Library:
        _started.enter()
        return self

    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> bool:
        _started.leave()
        return False


class _ComPorts:
    """The library opens serial lines by COM port number; each device path gets its own number,
    handed out from 255 downwards so that numbers a program sets itself stay untouched."""

    def __init__(self) -> None:
        self._numbers: Dict[bytes, int] = {}
        self._lock = threading.Lock()

    def number_for(self, path: bytes) -> int:
        with self._lock:
            if path not in self._numbers:
                number = _LAST_COM_PORT - len(self._numbers)
                if number < 1:
                    raise DeviceError("no COM port number left for another serial device")
                _check("LED_SetComPortPath", native().LED_SetComPortPath(number, path))
                self._numbers[path] = number
            return self._numbers[path]


_com_ports = _ComPorts()
# Programs are built in the library's shared slots; one program at a time goes through them, so
# that freeing a slot after a failed upload can never free another thread's program.
_slots = threading.Lock()


class Screen:
    """One screen, reached over UDP (Screen.udp) or a serial line (Screen.serial). Every call
    opens the channel, talks, and closes it again. Values are checked before anything is sent."""

    def __init__(self, param: DevParam, description: str) -> None:
        self._param = param
        self._description = description

    @classmethod
    def udp(cls, host: str, port: int = 6666, local_port: int = 0, address: int = 1) -> Screen:
        """The screen at host:port (an IPv4 address or a host name, looked up here), sending from
        local_port (0: any free port). address 255 reaches any screen."""
        param = DevParam(
            devType=_UDP,
            locPort=whole_number("local_port", local_port, 0, _LAST_PORT),
            rmtPort=whole_number("port", port, 1, _LAST_PORT),
            devAddr=whole_number("address", address, 0, _LAST_ADDRESS),
        )
        param.RmtIP = _ipv4_of(host).encode()
        return cls(param, f"udp {host}:{port}")

    @classmethod
    def serial(
        cls,
        path: Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"],
        baud: int = 57600,
        address: int = 1,
    ) -> Screen:
        """The screen on the serial device path (e.g. "/dev/ttyUSB0") at baud bit/s, 8N1."""
        if isinstance(baud, bool) or baud not in _SERIAL_SPEEDS:
            speeds = ", ".join(map(str, _SERIAL_SPEEDS))
            raise ArgumentError(f"baud must be one of {speeds}, not {baud!r}")
        device = os.fsencode(path)
        if not device:
            raise ArgumentError("a serial device path is needed")
        c_text("the serial device path", device, _MAX_PATH_BYTES)
        param = DevParam(
            devType=_SERIAL,
            speed=_SERIAL_SPEEDS[baud],
            devAddr=whole_number("address", address, 0, _LAST_ADDRESS),
        )
        param.locPort = _com_ports.number_for(device)
        return cls(param, f"serial {os.fsdecode(device)}")

    def __repr__(self) -> str:
        return f"<veltrane.Screen {self._description}>"

    @property
    def power(self) -> bool:
        """True when the screen is on. Setting it (True or False) switches the screen on or off."""
        lib = _started.require()
        return _check("LED_GetPower", lib.LED_GetPower(self._param), ok=lambda r: r >= 0) != 0

    @power.setter
    def power(self, on: bool) -> None:
        if not isinstance(on, bool):
            raise TypeError(f"power is True or False, not {on!r}")
        lib = _started.require()
        _check("LED_SetPower", lib.LED_SetPower(self._param, 1 if on else 0))

    @property
    def brightness(self) -> int:
        """The screen's brightness value, 0..2147483647 (screens usually take 0..15); a value
        set is sent as it is."""
        lib = _started.require()
        return _check("LED_GetBright", lib.LED_GetBright(self._param), ok=lambda r: r >= 0)

    @brightness.setter
    def brightness(self, value: int) -> None:
        level = whole_number("brightness", value, 0, INT32_MAX)
        lib = _started.require()
        _check("LED_SetBright", lib.LED_SetBright(self._param, level))

    def reset(self) -> None:
        lib = _started.require()
        _check("LED_Reset", lib.LED_Reset(self._param))

    def sync_time(self) -> None:
        """Sets the screen's clock to this computer's local time."""
        lib = _started.require()
        _check("LED_AdjustTime", lib.LED_AdjustTime(self._param))

    def send(self, program: Program) -> None:
        """Uploads the program; returns when the screen has acknowledged all of it."""
        if not isinstance(program, Program):
            raise TypeError(f"send takes a veltrane.Program, not {type(program).__name__}")
        lib = _started.require()
        with _slots:
            slot = program._build(lib)
            result = lib.LED_SendToScreen(self._param, slot)
            if result != 1:
                error = failure("LED_SendToScreen", result)  # before the release clears it
                lib.LED_ReleaseMem(slot)  # a refused program stays in its slot
                raise error


def _ipv4_of(host: str) -> str:
    """The dotted IPv4 address of `host`, found before anything is sent."""
    if not isinstance(host, str):
        raise TypeError(f"host must be text, not {type(host).__name__}")
    found = []
    # The lookup would end a name at a zero byte: "localhost\0..." names no host.
    if "\0" not in host:
        try:
            found = socket.getaddrinfo(host, None, socket.AF_INET, socket.SOCK_DGRAM)
        except (OSError, UnicodeError):
            pass
    if not found:
        raise ArgumentError(f"cannot find an IPv4 address for {host!r}")
    return str(found[0][4][0])


def _check(call: str, result: int, ok: Callable[[int], bool] = lambda r: r == 1) -> int:
    """`result` when `ok` says the call succeeded; else the library's reason as an exception."""
    if not ok(result):
        raise failure(call, result)
    return result
