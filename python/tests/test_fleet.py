# SPDX-License-Identifier: MIT
"""Fleets against veltrane-screen serving many screens on consecutive ports: a program to 64 of
them cancelled half-way, the commands and queries, fleet files and the arguments refused."""

import os
import random
import re
import signal
import threading

import pytest
from conftest import _start_screen, _start_screens, _stop

import veltrane

SCREENS = 64


def udp_screens(places):
    endpoints = (place.rsplit(":", 1) for place in places)
    return [veltrane.Screen.udp(host, int(port)) for host, port in endpoints]


def big_program():
    """About 20 KiB of text areas: some forty packets for every screen."""
    program = veltrane.Program(color_mode=1)
    page = program.page(1)
    for _ in range(10):
        page.string((0, 0, 64, 16), "x" * 2047)
    return program


def screens_that_took_the_program(log):
    """The screens whose log says they answered the end packet of an upload."""
    took = set()
    with open(log) as lines:
        for line in lines:
            found = re.match(r"screen (\d+) ", line)
            if found and " upload-end " in line and "-> answered" in line:
                took.add(int(found.group(1)))
    return took


def cancel_from_this_thread(run, halfway):
    """Iterates the run and cancels it from here, the thread not in the run."""
    for event in run:
        if halfway(event):
            assert run.cancel() is True
    return run.wait()


def interrupt_this_thread(run, halfway):
    """A Ctrl-C while this thread waits for the run: the run is cancelled and waited for, and the
    interrupt goes on."""
    reached = threading.Event()
    main = os.getpid()

    def interrupt():
        reached.wait()
        os.kill(main, signal.SIGINT)

    threading.Thread(target=interrupt, daemon=True).start()
    with pytest.raises(KeyboardInterrupt):
        run.wait(lambda event: halfway(event) and reached.set())
    assert not run.running
    # The screens the cancel stopped tell where they ended after the interrupt: the events are
    # still to be taken, as the results are.
    return run.wait(halfway)


@pytest.mark.parametrize("stop", [cancel_from_this_thread, interrupt_this_thread])
def test_a_fleet_run_cancelled_halfway_reports_only_sent_screens_as_sent(library, tmp_path, stop):
    log = tmp_path / "screens.log"
    process, places = _start_screens(SCREENS, "--udp", "127.0.0.1:0", "--delay", "2", "-v",
                                     log=str(log))
    last = {}
    finished = set()

    def halfway(event):
        """True once: at the event that ends the first half of the screens."""
        last[event.index] = event
        if event.packets_done != event.packets_total or event.index in finished:
            return False
        finished.add(event.index)
        return len(finished) == SCREENS // 2

    try:
        with veltrane.Fleet(udp_screens(places)) as fleet:
            results = stop(fleet.start_send(big_program(), jobs=16), halfway)
    finally:
        _stop(process)

    sent = [r for r in results if r.ok]
    cancelled = [r for r in results if isinstance(r.error, veltrane.CancelledError)]
    assert len(sent) + len(cancelled) == SCREENS
    assert len(sent) >= SCREENS // 2 and len(cancelled) >= SCREENS // 4
    for result in sent:
        assert result.packets_done == result.packets_total > 40
        assert result.bytes_done > 20000
    for result in cancelled:
        assert result.packets_done < result.packets_total or result.packets_total == 0
        assert "cancelled" in str(result.error)
    # The last progress told of each screen is where it ended.
    assert all(last[r.index].packets_done == r.packets_done for r in results if r.index in last)
    assert screens_that_took_the_program(log) == {r.index for r in sent}


@pytest.fixture
def four_screens(library):
    """A fleet of four screens answering over UDP."""
    process, places = _start_screens(4, "--udp", "127.0.0.1:0")
    yield places
    _stop(process)


def test_commands_and_queries_report_each_screen(four_screens):
    silent, silent_place = _start_screen("--udp", "127.0.0.1:0", "--silent")
    screens = udp_screens(four_screens + [silent_place])
    policy = {"tries": 1, "window_ms": 100}
    try:
        with veltrane.Fleet(screens) as fleet:
            steps = [
                (lambda: fleet.set_brightness(7, **policy), None),
                (lambda: fleet.get_brightness(**policy), 7),
                (lambda: fleet.set_power(False, **policy), None),
                (lambda: fleet.get_power(**policy), False),
                (lambda: fleet.set_power(True, **policy), None),
                (lambda: fleet.get_power(**policy), True),
                (lambda: fleet.reset(**policy), None),
                (lambda: fleet.sync_time(**policy), None),
            ]
            for step, value in steps:
                *answered, quiet = step()
                outcomes = [(r.error, r.value, r.packets_done) for r in answered]
                assert outcomes == [(None, value, 1)] * 4
                assert [r.screen for r in answered] == screens[:4]
                assert isinstance(quiet.error, veltrane.NoAnswerError)
                assert quiet.value is None and quiet.packets_done == 0
                assert quiet.error.call == "LED_FleetCommand" and quiet.error.result == 4
                assert "the screen did not answer" in str(quiet.error)
    finally:
        _stop(silent)


def test_a_fleet_file_names_its_screens(four_screens, tmp_path):
    fleet_file = tmp_path / "fleet.txt"
    lines = [f"udp {place} name=Lobby {i}" for i, place in enumerate(four_screens)]
    fleet_file.write_text("# the lobby\n\n" + "\n".join(lines) + "  # four\n")
    with veltrane.Fleet.from_file(fleet_file) as fleet:
        results = fleet.get_brightness()
    assert [r.name for r in results] == [f"Lobby {i}" for i in range(3)] + ["Lobby 3  # four"]
    assert all(r.ok for r in results)


FILE_DEFECTS = [
        ("", "fleet.txt: lists no screens"),
        ("udp 127.0.0.1:7000\nudp 127.0.0.1\n\ttcp x", 'fleet.txt:3: expected udp HOST[:PORT] or'),
        ("udp", "fleet.txt:1: udp needs HOST[:PORT]"),
        ("serial", "fleet.txt:1: serial needs a device path"),
        ("udp 127.0.0.1:http", 'fleet.txt:1: udp: bad port "http"'),
        ("udp 127.0.0.1:70000", "fleet.txt:1: port must be 1..65535, not 70000"),
        ("udp sign.invalid", "fleet.txt:1: udp: cannot find an IPv4 address"),
        ("udp 127.0.0.1 --address 300", "fleet.txt:1: address must be 0..255, not 300"),
        ("udp 127.0.0.1 --address", 'fleet.txt:1: --address: expected a number, got ""'),
        ("udp 127.0.0.1 --address 2 --address 3", "fleet.txt:1: --address is given twice"),
        ("udp 127.0.0.1 --baud 9600", "fleet.txt:1: --baud is for serial lines only"),
        ("serial /dev/null --baud 1200", "fleet.txt:1: baud must be one of"),
        ("udp 127.0.0.1 name=", "fleet.txt:1: name= needs a name"),
        ("udp 127.0.0.1 name=" + "n" * 65, "fleet.txt:1: a name has at most 64 bytes"),
        ("udp 127.0.0.1 --verbose", 'fleet.txt:1: unexpected "--verbose"'),
        ("udp 127.0.0.1 name=\u202eevil", "fleet.txt:1: holds a control character (U+202E)"),
        ("udp 127.0.0.1 name=a\x85", "fleet.txt:1: holds a control character (U+0085)"),
        ("udp 127.0.0.1 name=" + "n" * 1020, "fleet.txt:1: longer than 1024 bytes"),
        ("udp localhost\nudp 127.0.0.1:6666", "fleet.txt:2: the same screen as line 1"),
        ("udp 127.0.0.1 name=A\nudp 127.0.0.2 name=A", 'fleet.txt:2: the name "A" is taken by'),
        (
            "".join(f"udp 127.0.{i // 256}.1 --address {i % 256}\n" for i in range(4097)),
            "fleet.txt:4097: more than 4096 screens",
        ),
]


@pytest.mark.parametrize("text, message", FILE_DEFECTS, ids=[m for _, m in FILE_DEFECTS])
def test_a_fleet_file_line_that_cannot_be_used_is_named(library, tmp_path, text, message):
    (tmp_path / "fleet.txt").write_bytes(text.encode("utf-8", errors="surrogateescape"))
    with pytest.raises(veltrane.ArgumentError) as refused:
        veltrane.Fleet.from_file(tmp_path / "fleet.txt")
    assert message in str(refused.value)


def test_a_fleet_file_past_its_size_or_no_file_is_refused(library, tmp_path):
    big = tmp_path / "big.txt"
    big.write_bytes(b"#" * (1024 * 1024 + 1))
    os.mkfifo(tmp_path / "fifo")
    for path, message in [
        (big, "larger than 1048576 bytes"),
        (tmp_path / "missing", "cannot read"),
        (tmp_path / "fifo", "is not a regular file"),
    ]:
        with pytest.raises(veltrane.ArgumentError, match=message):
            veltrane.Fleet.from_file(path)


REFUSED = [
    ("jobs 0", lambda f: f.reset(jobs=0), veltrane.ArgumentError),
    ("tries past the library's 10", lambda f: f.reset(tries=11), veltrane.ArgumentError),
    ("window past 60 s", lambda f: f.reset(window_ms=60001), veltrane.ArgumentError),
    ("window past 32 bits", lambda f: f.reset(window_ms=2**32 + 100), veltrane.ArgumentError),
    ("negative brightness", lambda f: f.set_brightness(-1), veltrane.ArgumentError),
    ("power as a number", lambda f: f.set_power(1), TypeError),
    ("tries as text", lambda f: f.reset(tries="3"), TypeError),
    ("an unknown option", lambda f: f.reset(retries=3), TypeError),
    ("no program", lambda f: f.send("hello"), TypeError),
    ("an empty fleet", lambda f: veltrane.Fleet([]), veltrane.ArgumentError),
    ("not a screen", lambda f: veltrane.Fleet(["127.0.0.1"]), TypeError),
    ("more names than screens", lambda f: veltrane.Fleet(f.screens, ["a", "b"]),
     veltrane.ArgumentError),
]


@pytest.mark.parametrize("case, call, raised", REFUSED, ids=[case for case, _, _ in REFUSED])
def test_arguments_a_fleet_does_not_take_are_refused_before_sending(
    silent_screen, case, call, raised
):
    # The screen answers nothing: a run that did go out would end in results, not an exception.
    with veltrane.Fleet([silent_screen]) as fleet:
        with pytest.raises(raised):
            call(fleet)


def test_a_send_the_library_refuses_frees_its_slot(silent_screen):
    # More refusals than the library has slots: a leaked slot would make the last builds fail
    # in MakeRoot instead.
    with veltrane.Fleet([silent_screen]) as fleet:
        for _ in range(20):
            with pytest.raises(veltrane.ArgumentError) as refused:
                fleet.send(big_program(), jobs=4097)
            assert refused.value.call == "LED_FleetSend" and refused.value.result == -1


def test_a_closed_fleet_and_a_second_run_are_refused(silent_screen):
    fleet = veltrane.Fleet([silent_screen])
    run = fleet.start_send(big_program(), tries=2, window_ms=1000)
    with pytest.raises(veltrane.DeviceError, match="a run is in progress"):
        fleet.reset()
    fleet.close()  # cancels the run and waits for it
    assert isinstance(run.wait()[0].error, veltrane.CancelledError)
    with pytest.raises(veltrane.ArgumentError, match="closed"):
        fleet.reset()


def test_a_fleet_file_of_any_bytes_is_read_or_refused_in_words(library, tmp_path):
    # Seeded mutations of good lines (UDP only: every serial path takes one of the package's
    # COM port numbers for good): each file gives screens or one ArgumentError, nothing else.
    generator = random.Random(20)
    pieces = [b"udp", b" ", b"\t", b"127.0.0.1", b":", b"6666", b"--address", b"--baud",
              b"7", b"name=", b"#", b"\n", b"\r", b"\x00", b"\xe2\x80\xae", b"\xff", b"localhost"]
    path = tmp_path / "fleet.txt"
    for _ in range(1000):
        text = b"".join(generator.choice(pieces) for _ in range(generator.randint(0, 12)))
        path.write_bytes(text)
        try:
            fleet = veltrane.Fleet.from_file(path)
        except veltrane.ArgumentError as refused:
            assert str(refused).startswith(str(path))
        else:
            fleet.close()
