# SPDX-License-Identifier: MIT
"""Simulated screens for the tests: veltrane-screen from VELTRANE_SCREEN or the build tree, on a
free loopback UDP port or a pseudo-terminal, stopped by its process id afterwards."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import veltrane  # noqa: E402

_BUILD_TREE = Path(__file__).resolve().parents[2] / "build" / "default"
_BUILD_TREE_SCREEN = _BUILD_TREE / "tools" / "sim" / "veltrane-screen"
# Programs the tests start (a fresh environment's Python) find the same library.
os.environ.setdefault("VELTRANE_LIBRARY", str(_BUILD_TREE / "src" / "libveltrane.so"))


def _start_screen(*arguments):
    """Starts veltrane-screen and returns the process and the first line it prints."""
    program = os.environ.get("VELTRANE_SCREEN", str(_BUILD_TREE_SCREEN))
    process = subprocess.Popen([program, *arguments], stdout=subprocess.PIPE, text=True)
    line = process.stdout.readline().split()
    if len(line) != 2:
        process.kill()
        process.wait()
        raise RuntimeError(f"{program} did not start")
    return process, line[1]


def _stop(process):
    process.terminate()
    process.wait(timeout=10)
    process.stdout.close()


@pytest.fixture
def library():
    with veltrane.Library() as started:
        yield started


@pytest.fixture(params=["udp", "serial"])
def screen(request, library):
    """A screen answering over UDP or over a serial line (a pseudo-terminal)."""
    if request.param == "udp":
        host, port = request.getfixturevalue("udp_endpoint")
        yield veltrane.Screen.udp(host, int(port))
    else:
        yield veltrane.Screen.serial(request.getfixturevalue("serial_path"), baud=57600)


@pytest.fixture
def serial_path():
    """The pseudo-terminal a screen answers on."""
    process, path = _start_screen("--no-udp", "--pty")
    yield path
    _stop(process)


@pytest.fixture
def silent_screen(library):
    """A screen that answers nothing."""
    process, endpoint = _start_screen("--udp", "127.0.0.1:0", "--silent")
    host, port = endpoint.rsplit(":", 1)
    yield veltrane.Screen.udp(host, int(port))
    _stop(process)


@pytest.fixture
def udp_endpoint():
    """(host, port) of a screen answering over UDP."""
    process, endpoint = _start_screen("--udp", "127.0.0.1:0")
    host, port = endpoint.rsplit(":", 1)
    yield host, port
    _stop(process)
