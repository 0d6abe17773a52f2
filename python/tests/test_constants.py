# SPDX-License-Identifier: MIT
"""The package's numbers for the library's interface are the C header's: each constant the
package restates is checked against the header (and the screens' port against the library's own
constant), so that a change on one side fails here instead of sending the wrong number."""

import inspect
import re
from pathlib import Path

from veltrane import _native, errors, fleet_file, screen

_SOURCE = Path(__file__).resolve().parents[2]


def _defines():
    """Every `#define NAME NUMBER` of the public header, continuation lines joined."""
    text = (_SOURCE / "include" / "veltrane" / "veltrane.h").read_text()
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S).replace("\\\n", " ")
    return {name: int(value, 0)
            for name, value in re.findall(r"^#define\s+(VELTRANE_\w+)\s+\(?(-?\w+)\)?\s*$",
                                          text, flags=re.M)
            if re.fullmatch(r"-?(0x[0-9a-fA-F]+|\d+)", value)}


def _prefixed(defines, prefix):
    return {name[len(prefix):]: value for name, value in defines.items() if name.startswith(prefix)}


def test_serial_speeds_and_device_types_are_the_headers():
    defines = _defines()
    speeds = {int(baud): index for baud, index in _prefixed(defines, "VELTRANE_SPEED_").items()}
    assert speeds and screen._SERIAL_SPEEDS == speeds
    assert (screen._UDP, screen._SERIAL) == (defines["VELTRANE_DEV_UDP"],
                                             defines["VELTRANE_DEV_SERIAL"])


def test_fleet_commands_and_limit_are_the_headers():
    fleet = _prefixed(_defines(), "VELTRANE_FLEET_")
    mine = {name[len("FLEET_"):]: value for name, value in vars(_native).items()
            if name.startswith("FLEET_")}
    assert mine and all(fleet.get(name) == value for name, value in mine.items()), (mine, fleet)


def test_every_error_code_has_its_exception_and_words():
    codes = _prefixed(_defines(), "VELTRANE_ERROR_")
    assert codes.pop("NONE") == 0
    assert sorted(errors._BY_CODE) == sorted(codes.values())


def test_the_screens_port_is_the_librarys():
    link = (_SOURCE / "src" / "format" / "link.h").read_text()
    port = int(re.search(r"kScreenPort = (\d+);", link).group(1))
    assert inspect.signature(screen.Screen.udp).parameters["port"].default == port
    assert fleet_file._DEFAULT_PORT == port
