# SPDX-License-Identifier: MIT
import pytest
from conftest import _start_screen, _stop

import veltrane
import veltrane._native


def test_device_commands_reach_the_screen(screen):
    screen.power = False
    assert screen.power is False
    screen.power = True
    assert screen.power is True
    screen.brightness = 7
    assert screen.brightness == 7
    screen.reset()
    screen.sync_time()


def every_kind_of_area(program):
    page = program.page()
    page.text((0, 0, 63, 15), "Grüße", font="DejaVu Sans", size=9, color="yellow")
    page.string((0, 16, 63, 31), "shown by the screen", string_param_a=1)
    page.datetime((64, 0, 127, 15), format="time-seconds", size=9, color=(0, 255, 0))
    page.clock((64, 16, 95, 47), hour="#ff0000")
    page.image((96, 16, 99, 17), [["red", "green", "yellow", 0x0000FF], ["black"] * 4])
    return program


def test_a_program_with_every_kind_of_area_is_taken(screen):
    screen.send(every_kind_of_area(veltrane.Program(color_mode=2)))


def test_a_pillow_image_is_taken(screen):
    image_module = pytest.importorskip("PIL.Image")
    program = veltrane.Program(color_mode=1)
    program.page().image((0, 0, 15, 7), image_module.new("RGB", (16, 8), "red"))
    screen.send(program)


def test_a_program_that_cannot_be_built_frees_its_slot(library):
    # More failures than the library has slots: a leaked slot would make the last builds fail
    # in MakeRoot instead of AddClock. A clock needs right and bottom past left and top.
    program = veltrane.Program()
    program.page().clock((10, 10, 0, 0))
    for _ in range(20):
        with pytest.raises(veltrane.VeltraneError) as failure:
            veltrane.Screen.udp("127.0.0.1", 9).send(program)
        assert failure.value.call == "AddClock"
        assert "AddClock" in str(failure.value)


def test_a_silent_screen_raises_no_answer(silent_screen):
    with pytest.raises(TimeoutError) as failure:
        silent_screen.power = True
    assert isinstance(failure.value, veltrane.NoAnswerError)
    assert failure.value.call == "LED_SetPower" and failure.value.result == 0
    assert "the screen did not answer" in str(failure.value)


def test_a_device_that_cannot_be_opened_raises(library, tmp_path):
    screen = veltrane.Screen.serial(tmp_path / "no-such-device")
    with pytest.raises(OSError) as failure:
        screen.reset()
    assert isinstance(failure.value, veltrane.DeviceError)
    assert not isinstance(failure.value, TimeoutError)
    assert failure.value.result == -1
    assert "no such device" in str(failure.value)


@pytest.mark.parametrize(
    "faults, raised, reason",
    [
        (["--silent"], veltrane.NoAnswerError, "the screen did not answer"),
        (["--refuse-programs"], veltrane.RefusedError, "refused"),
    ],
)
def test_a_failed_send_keeps_the_librarys_reason(library, faults, raised, reason):
    process, endpoint = _start_screen("--udp", "127.0.0.1:0", *faults)
    host, port = endpoint.rsplit(":", 1)
    program = veltrane.Program()
    program.page().string((0, 0, 15, 7), "x")
    try:
        with pytest.raises(raised) as failure:
            veltrane.Screen.udp(host, int(port)).send(program)
    finally:
        _stop(process)
    assert failure.value.call == "LED_SendToScreen" and failure.value.result == 0
    assert reason in failure.value.reason
    # Freeing the slot afterwards cleared the library's own record of why.
    assert veltrane._native.last_error() == (0, "")


def test_the_package_matches_the_library_version():
    assert veltrane.__version__ == veltrane.library_version()
