"""libveltrane through ctypes: finding it, its structures and the prototypes of its exports."""

import ctypes
import os
import threading
from pathlib import Path

from . import __version__

_SONAME = f"libveltrane.so.{__version__.split('.')[0]}"
# From python/veltrane/ in a source checkout, the library the default build preset makes.
_BUILD_TREE = Path(__file__).resolve().parents[2] / "build" / "default" / "src" / "libveltrane.so"


class DevParam(ctypes.Structure):
    _fields_ = [
        ("devType", ctypes.c_int32),
        ("speed", ctypes.c_int32),
        ("locPort", ctypes.c_int32),
        ("rmtPort", ctypes.c_int32),
        ("RmtIP", ctypes.c_char * 16),
        ("devAddr", ctypes.c_int32),
        ("reserved", ctypes.c_int32),
    ]


class LedRect(ctypes.Structure):
    _fields_ = [(side, ctypes.c_int32) for side in ("left", "top", "right", "bottom")]


class LedBitmap(ctypes.Structure):
    _fields_ = [
        ("width", ctypes.c_int32),
        ("height", ctypes.c_int32),
        ("stride", ctypes.c_int32),
        ("format", ctypes.c_int32),
        ("pixels", ctypes.c_void_p),
    ]


_i32 = ctypes.c_int32
_u32 = ctypes.c_uint32
_str = ctypes.c_char_p
_PROTOTYPES = {
    "LED_GetVersion": (_str, []),
    "LED_GetLastErrorText": (_str, []),
    "LED_Init": (_i32, []),
    "LED_Cleanup": (_i32, []),
    "LED_SetTextEncoding": (_i32, [_str]),
    "LED_SetComPortPath": (_i32, [_i32, _str]),
    "LED_SetPower": (_i32, [DevParam, _i32]),
    "LED_GetPower": (_i32, [DevParam]),
    "LED_SetBright": (_i32, [DevParam, _i32]),
    "LED_GetBright": (_i32, [DevParam]),
    "LED_Reset": (_i32, [DevParam]),
    "LED_AdjustTime": (_i32, [DevParam]),
    "MakeRoot": (_i32, [_i32, _i32]),
    "AddLeaf": (_i32, [_i32, _i32]),
    "LED_ReleaseMem": (None, [_i32]),
    "LED_SendToScreen": (_i32, [DevParam, _i32]),
    "AddString": (_i32, [_i32, LedRect, _i32, _str, _i32, _i32, _i32, _i32]),
    "AddText": (_i32, [_i32, LedRect, _i32, _str, _str, _i32, _u32, _i32, _i32]),
    "AddDateTime": (_i32, [_i32, LedRect, _str, _i32, _u32, _i32, _i32]),
    "AddClock": (_i32, [_i32, LedRect, _i32, _u32, _u32, _u32, _u32, _u32, _u32]),
    "AddWindow": (_i32, [_i32, ctypes.POINTER(LedBitmap), _i32, _i32, LedRect, _i32, _i32, _i32]),
}

_library = None
_loading = threading.Lock()


def _candidates():
    """Where the library is looked for, in order: VELTRANE_LIBRARY, the installed library (the
    dynamic loader's own search), the build tree of a source checkout."""
    explicit = os.environ.get("VELTRANE_LIBRARY")
    if explicit:
        return [explicit]
    return [_SONAME, str(_BUILD_TREE)]


def _load():
    errors = []
    for candidate in _candidates():
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            errors.append(str(error))
    tried = "; ".join(errors)
    raise OSError(f"libveltrane not found; set VELTRANE_LIBRARY to its path. Tried: {tried}")


def native():
    """The loaded library, its exports given their prototypes; loaded on first use."""
    global _library
    with _loading:
        if _library is None:
            library = _load()
            for name, (result, arguments) in _PROTOTYPES.items():
                function = getattr(library, name)
                function.restype = result
                function.argtypes = arguments
            _library = library
        return _library


def last_error_text():
    """Why this thread's last library call failed, in the library's words; "" after a success."""
    return native().LED_GetLastErrorText().decode()


def library_version():
    """The version of the libveltrane this process runs on, e.g. "0.1.0"."""
    return native().LED_GetVersion().decode()
