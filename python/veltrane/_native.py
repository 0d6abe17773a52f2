# SPDX-License-Identifier: MIT
"""libveltrane through ctypes: finding it, its structures and the prototypes of its exports."""

from __future__ import annotations

import ctypes
import os
import site
import sys
import sysconfig
import threading
from pathlib import Path
from typing import Any, List, Optional, Tuple

from . import __version__
from .errors import LibraryNotFoundError, VeltraneError, error_for

_SONAME = f"libveltrane.so.{__version__.split('.')[0]}"
_PACKAGE = Path(__file__).resolve().parent
# A source checkout: the package beside its pyproject.toml, the default build preset's library
# in the checkout's build folder.
_CHECKOUT_LIBRARY = _PACKAGE.parents[1] / "build" / "default" / "src" / "libveltrane.so"


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
    "LED_GetLastError": (_i32, []),
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

_library: Optional[ctypes.CDLL] = None
_loading = threading.Lock()


def _installed_paths() -> List[str]:
    """Where an installed libveltrane lies when the dynamic loader does not know it yet: under
    the prefixes `cmake --install` and the Debian package use (/usr/local by default, /usr), the
    prefix of this Python (a virtual environment) and the user's (~/.local), each in its
    lib/<multiarch triplet> and lib folders."""
    triplet = sysconfig.get_config_var("MULTIARCH") or ""
    prefixes = [sys.prefix, site.getuserbase(), "/usr/local", "/usr"]
    folders = [f"lib/{triplet}", "lib"] if triplet else ["lib"]
    paths: List[str] = []
    for prefix in prefixes:
        for folder in folders:
            path = str(Path(prefix) / folder / _SONAME)
            if path not in paths:
                paths.append(path)
    return paths


def _candidates() -> List[Tuple[str, str]]:
    """(what to load, how to name the place) in the order they are tried: VELTRANE_LIBRARY alone
    when set; else the dynamic loader's own search, the install folders, and in a source checkout
    its build folder."""
    explicit = os.environ.get("VELTRANE_LIBRARY")
    if explicit:
        return [(explicit, f"VELTRANE_LIBRARY={explicit}")]
    loader = f"{_SONAME} by the dynamic loader (LD_LIBRARY_PATH, ldconfig's cache, /lib, /usr/lib)"
    candidates = [(_SONAME, loader)]
    candidates += [(path, path) for path in _installed_paths()]
    if (_PACKAGE.parent / "pyproject.toml").exists():
        candidates.append((str(_CHECKOUT_LIBRARY), f"{_CHECKOUT_LIBRARY} (this checkout's build)"))
    return candidates


def _load() -> ctypes.CDLL:
    looked = []
    for candidate, place in _candidates():
        if os.sep in candidate and not os.path.exists(candidate):
            looked.append(f"{place}: no such file")
            continue
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            looked.append(f"{place}: {error}")
    places = "; ".join(looked)
    raise LibraryNotFoundError(
        f"libveltrane not found; install it (cmake --install, or the Debian package) or set "
        f"VELTRANE_LIBRARY to its path. Looked at: {places}"
    )


def native() -> Any:
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


def last_error() -> Tuple[int, str]:
    """This thread's last library failure: its VELTRANE_ERROR_* code and the library's words for
    it; (0, "") after a success."""
    lib = native()
    return lib.LED_GetLastError(), lib.LED_GetLastErrorText().decode(errors="replace")


def failure(call: str, result: int) -> VeltraneError:
    """The exception for a library call that just failed, from this thread's last error: read
    before any other call (a release of the slot, say) clears it."""
    code, reason = last_error()
    return error_for(call, result, code, reason)


def library_version() -> str:
    """The version of the libveltrane this process runs on, e.g. "0.1.0"."""
    return str(native().LED_GetVersion().decode())
