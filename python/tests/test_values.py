# SPDX-License-Identifier: MIT
"""Nothing is handed to the library as another value: each argument it cannot take as given is
refused before anything is sent. The screen here answers nothing, so a value that did go out
would end in NoAnswerError after the tries instead of the refusal."""

import inspect
import pathlib
import typing

import pytest

import veltrane


def udp(**arguments):
    return lambda screen: veltrane.Screen.udp("127.0.0.1", **arguments)


def set_power(value):
    return lambda screen: setattr(screen, "power", value)


def set_brightness(value):
    return lambda screen: setattr(screen, "brightness", value)


def area(kind, *arguments, **keywords):
    """Adds an area to a page of a new program and sends it to the screen."""

    def add_and_send(screen):
        page = veltrane.Program().page()
        getattr(page, kind)(*arguments, **keywords)
        screen.send(page_program(page))

    return add_and_send


def page_program(page):
    program = veltrane.Program()
    program.pages.append(page)
    return program


RECT = (0, 0, 15, 7)

REFUSED = [
    ("address 511 (255, any screen)", udp(address=511), ValueError),
    ("address -1", udp(address=-1), ValueError),
    ("address 263 (screen 7)", udp(address=263), ValueError),
    ("port 70000 (4464)", udp(port=70000), ValueError),
    ("port 0", udp(port=0), ValueError),
    ("local port -1", udp(local_port=-1), ValueError),
    ("address as text", udp(address="1"), TypeError),
    ("port as a bool", udp(port=True), TypeError),
    ("a host with no address", lambda s: veltrane.Screen.udp("sign.invalid"), ValueError),
    ("a host with a zero byte", lambda s: veltrane.Screen.udp("localhost\0x"), ValueError),
    ("baud 1200", lambda s: veltrane.Screen.serial("/dev/null", baud=1200), ValueError),
    ("serial address 256", lambda s: veltrane.Screen.serial("/dev/null", address=256), ValueError),
    ("a path with a zero byte", lambda s: veltrane.Screen.serial("/dev/tty\0S0"), ValueError),
    ("an empty path", lambda s: veltrane.Screen.serial(""), ValueError),
    ('power "off" (on)', set_power("off"), TypeError),
    ("power 2", set_power(2), TypeError),
    ("brightness -1 (4294967295)", set_brightness(-1), ValueError),
    ("brightness 2**32 + 5 (5)", set_brightness(2**32 + 5), ValueError),
    ("brightness 1.5", set_brightness(1.5), TypeError),
    ("root type 65536 (0)", lambda s: veltrane.Program(root_type=65536), ValueError),
    ("colour mode -1", lambda s: veltrane.Program(color_mode=-1), ValueError),
    ("colour mode 65537 (1)", lambda s: veltrane.Program(color_mode=65537), ValueError),
    ("page param 2**31", lambda s: veltrane.Program().page(2**31), ValueError),
    ("a rectangle side -1", area("clock", (-1, 0, 15, 15)), ValueError),
    ("a rectangle side 65536 (0)", area("clock", (0, 0, 65536, 15)), ValueError),
    ("a rectangle of three sides", area("clock", (0, 0, 15)), TypeError),
    ("area param 65536", area("clock", RECT, area_param=65536), ValueError),
    ("a text with a zero byte (cut)", area("text", RECT, "Hello\0world"), ValueError),
    ("a text of 2048 bytes (cut)", area("text", RECT, "x" * 2048), ValueError),
    ("a font name with a zero byte", area("text", RECT, "Hi", font="DejaVu\0Sans"), ValueError),
    ("a text size of 0", area("text", RECT, "Hi", size=0), ValueError),
    ("param_a -1", area("text", RECT, "Hi", param_a=-1), ValueError),
    ("a string with a zero byte", area("string", RECT, b"ab\0c"), ValueError),
    ("string param 2**31", area("string", RECT, "x", string_param_a=2**31), ValueError),
    ("an unknown date-time format", area("datetime", RECT, format="century"), ValueError),
    ("date-time format 11", area("datetime", RECT, format=11), ValueError),
    ("a colour out of range", area("clock", RECT, hour=0x1000000), ValueError),
    ("send something else", lambda s: s.send("program"), TypeError),
]


@pytest.mark.parametrize(
    "call, refusal", [row[1:] for row in REFUSED], ids=[row[0] for row in REFUSED]
)
def test_values_the_library_would_change_are_refused_before_sending(silent_screen, call, refusal):
    with pytest.raises(refusal) as failure:
        call(silent_screen)
    if refusal is ValueError:
        assert isinstance(failure.value, veltrane.ArgumentError)
        assert failure.value.call is None  # no library call was made


def test_a_serial_path_may_be_a_path_object(library, serial_path):
    screen = veltrane.Screen.serial(pathlib.Path(serial_path))
    screen.brightness = 3
    assert screen.brightness == 3


def test_calls_outside_the_library_context_raise(udp_endpoint):
    host, port = udp_endpoint
    with veltrane.Library():
        screen = veltrane.Screen.udp(host, int(port))
        with veltrane.Library():  # contexts nest: the outer one keeps the library started
            pass
        screen.reset()
    for call in (lambda: screen.power, screen.reset, lambda: screen.send(veltrane.Program())):
        with pytest.raises(veltrane.NotStartedError):
            call()


def test_every_public_call_has_type_hints():
    for name in veltrane.__all__:
        thing = getattr(veltrane, name)
        functions = [thing] if inspect.isfunction(thing) else []
        if inspect.isclass(thing) and not issubclass(thing, BaseException):
            members = vars(thing).values()
            functions = [f for f in members if inspect.isfunction(f) or _is_method_kind(f)]
        for function in functions:
            for part in _parts(function):
                hints = typing.get_type_hints(part)
                parameters = set(inspect.signature(part).parameters) - {"self", "cls"}
                assert "return" in hints, f"{name}.{part.__name__}"
                assert parameters <= set(hints), f"{name}.{part.__name__}"


def _is_method_kind(member):
    return isinstance(member, (classmethod, property))


def _parts(member):
    if isinstance(member, classmethod):
        return [member.__func__]
    if isinstance(member, property):
        return [f for f in (member.fget, member.fset) if f is not None]
    return [member]
