"""The library's life cycle and the screens it talks to."""

import socket
import threading

from ._native import DevParam, last_error_text, native
from .errors import NoAnswerError, VeltraneError

_SERIAL_SPEEDS = {9600: 0, 19200: 1, 38400: 2, 57600: 3, 115200: 4}
_UDP, _SERIAL = 1, 0


class Library:
    """Starts the library on entry (LED_Init) and stops it on exit (LED_Cleanup).

    Texts and font names are handed over as UTF-8."""

    def __enter__(self):
        lib = native()
        lib.LED_Init()
        lib.LED_SetTextEncoding(b"UTF-8")
        return self

    def __exit__(self, *exc_info):
        _check("LED_Cleanup", native().LED_Cleanup(), ok=lambda r: r == 0)
        return False


class _ComPorts:
    """The library opens serial lines by COM port number; each device path gets its own number,
    handed out from 255 downwards so that numbers a program sets itself stay untouched."""

    def __init__(self):
        self._numbers = {}
        self._lock = threading.Lock()

    def number_for(self, path):
        with self._lock:
            if path not in self._numbers:
                number = 255 - len(self._numbers)
                if number < 1:
                    raise ValueError("no COM port number left for another serial device")
                _check("LED_SetComPortPath", native().LED_SetComPortPath(number, path.encode()))
                self._numbers[path] = number
            return self._numbers[path]


_com_ports = _ComPorts()
# Programs are built in the library's shared slots; one program at a time goes through them, so
# that freeing a slot after a failed upload can never free another thread's program.
_slots = threading.Lock()


class Screen:
    """One screen, reached over UDP (Screen.udp) or a serial line (Screen.serial). Every call
    opens the channel, talks, and closes it again."""

    def __init__(self, param, description):
        self._param = param
        self._description = description

    @classmethod
    def udp(cls, host, port=6666, local_port=0, address=1):
        """The screen at host:port (a dotted IPv4 address or a name), sending from local_port
        (0: any free port). address 255 reaches any screen."""
        param = DevParam(devType=_UDP, locPort=local_port, rmtPort=port, devAddr=address)
        param.RmtIP = socket.gethostbyname(host).encode()
        return cls(param, f"udp {host}:{port}")

    @classmethod
    def serial(cls, path, baud=57600, address=1):
        """The screen on the serial device path (e.g. "/dev/ttyUSB0") at baud bit/s, 8N1."""
        if baud not in _SERIAL_SPEEDS:
            raise ValueError(f"baud must be one of {', '.join(map(str, _SERIAL_SPEEDS))}")
        param = DevParam(devType=_SERIAL, speed=_SERIAL_SPEEDS[baud], devAddr=address)
        param.locPort = _com_ports.number_for(path)
        return cls(param, f"serial {path}")

    def __repr__(self):
        return f"<veltrane.Screen {self._description}>"

    @property
    def power(self):
        """True when the screen is on. Setting it switches the screen on or off."""
        return _check("LED_GetPower", native().LED_GetPower(self._param), ok=lambda r: r >= 0) != 0

    @power.setter
    def power(self, on):
        _check_device("LED_SetPower", native().LED_SetPower(self._param, 1 if on else 0))

    @property
    def brightness(self):
        """The screen's brightness value; setting it sends the value as it is."""
        return _check("LED_GetBright", native().LED_GetBright(self._param), ok=lambda r: r >= 0)

    @brightness.setter
    def brightness(self, value):
        _check_device("LED_SetBright", native().LED_SetBright(self._param, value))

    def reset(self):
        _check_device("LED_Reset", native().LED_Reset(self._param))

    def sync_time(self):
        """Sets the screen's clock to this computer's local time."""
        _check_device("LED_AdjustTime", native().LED_AdjustTime(self._param))

    def send(self, program):
        """Uploads the program; returns when the screen has acknowledged all of it."""
        lib = native()
        with _slots:
            slot = program._build(lib)
            result = lib.LED_SendToScreen(self._param, slot)
            if result != 1:
                reason = last_error_text()  # before the release below clears it
                lib.LED_ReleaseMem(slot)  # a refused program stays in its slot
                _check_device("LED_SendToScreen", result, reason)


def _check(call, result, ok=lambda r: r == 1, reason=None):
    if not ok(result):
        raise VeltraneError(call, result, reason)
    return result


def _check_device(call, result, reason=None):
    """Device calls return 1 when the screen answered, 0 when it did not, -1 when nothing could be
    sent."""
    if result == 0:
        raise NoAnswerError(call, result, reason)
    return _check(call, result, reason=reason)
