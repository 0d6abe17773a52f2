# SPDX-License-Identifier: MIT
"""Fleets: one program or command to many screens in one run, several screens at once, with one
result per screen. A run goes on in a thread of its own, so that the caller's thread stays free
to take its progress, to be interrupted and to cancel it."""

from __future__ import annotations

import ctypes
import os
import queue
import threading
from dataclasses import dataclass
from types import TracebackType
from typing import Any, Callable, Iterator, List, Optional, Sequence, Tuple, Type, Union

from . import _native
from ._arguments import INT32_MAX, whole_number
from ._native import LedFleetOptions, LedFleetProgress, LedFleetResult, failure
from .errors import ArgumentError, DeviceError, VeltraneError, code_words, error_for
from .fleet_file import read_fleet_file
from .program import Program
from .screen import Screen, brightness_value, check, power_value, slots, started


@dataclass(frozen=True)
class FleetProgress:
    """`packets_done` of `packets_total` packets of the fleet's screen `index` are acknowledged.
    Told a few times a second while a screen is in progress, and once when it ends."""

    index: int
    screen: Screen
    packets_done: int
    packets_total: int


@dataclass(frozen=True)
class FleetResult:
    """How one screen of a run ended. `error` is None when it did what was asked, else the
    exception it would have raised alone (CancelledError for a screen the cancel stopped: it did
    not take the program). `value` is a query's answer (a bool for power), else None. The times
    count from the screen's turn; 0 for a screen never tried."""

    index: int
    screen: Screen
    name: Optional[str]
    error: Optional[VeltraneError]
    value: Union[bool, int, None]
    packets_done: int
    packets_total: int
    bytes_done: int
    milliseconds: int

    @property
    def ok(self) -> bool:
        return self.error is None


Progress = Callable[[FleetProgress], Any]
_END = object()  # the last thing a run puts on its event queue
_CANCEL_RETRY_SECONDS = 0.001


class FleetRun:
    """A run in progress on a fleet. Iterating it yields FleetProgress events until the run ends;
    `wait()` gives the results (raising when nothing was sent); `cancel()` stops it from any
    thread. Leaving it as a context manager cancels it unless it ended, and waits for it."""

    def __init__(
        self,
        fleet: Fleet,
        call: str,
        start: Callable[[Any, Any, Any], int],
        policy: Tuple[int, int, int],
        answer: Callable[[int], Union[bool, int, None]],
    ) -> None:
        self._fleet = fleet
        self._call = call
        self._answer = answer
        self._events: queue.Queue[Any] = queue.Queue()
        self._ended = False  # the end was taken from the queue
        self._results: Optional[List[FleetResult]] = None
        self._error: Optional[BaseException] = None
        # Kept while the library may call it.
        self._progress = LedFleetProgress(self._told)
        self._thread = threading.Thread(target=self._run, args=(start, policy), daemon=True)
        self._thread.start()

    def __iter__(self) -> Iterator[FleetProgress]:
        while not self._ended:
            event = self._events.get()
            if event is _END:
                self._ended = True
            else:
                yield event

    def __enter__(self) -> FleetRun:
        return self

    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> bool:
        self.cancel()
        self._thread.join()
        return False

    @property
    def running(self) -> bool:
        return self._thread.is_alive()

    def cancel(self) -> bool:
        """Stops the run: no screen begins after it, and a screen in progress stops unless the
        last packet of its turn went out. True when the run was still in progress."""
        lib, number = self._fleet._lib, self._fleet._number
        # The library cancels only a run it has begun: until then (the program still being
        # built, say) this asks again, so that a cancel right after the start is not lost.
        while self._thread.is_alive():
            if lib.LED_FleetCancel(number) == 1:
                return True
            self._thread.join(_CANCEL_RETRY_SECONDS)
        return False

    def wait(self, progress: Optional[Progress] = None) -> List[FleetResult]:
        """The results once the run ends, each event handed to `progress` on this thread first.
        On KeyboardInterrupt, or any exception from `progress`, the run is cancelled and waited
        for before the exception goes on."""
        try:
            for event in self:
                if progress is not None:
                    progress(event)
            self._thread.join()
        except BaseException:
            self.cancel()
            self._thread.join()
            raise
        if self._error is not None:
            raise self._error
        assert self._results is not None
        return self._results

    def _told(self, index: int, done: int, total: int, context: Any) -> None:
        screen = self._fleet.screens[index]
        self._events.put(FleetProgress(index, screen, done, total))

    def _run(self, start: Callable[[Any, Any, Any], int], policy: Tuple[int, int, int]) -> None:
        fleet = self._fleet
        out = (LedFleetResult * len(fleet.screens))()
        jobs, tries, window_ms = policy
        options = LedFleetOptions(jobs, tries, window_ms, self._progress)
        try:
            returned = start(fleet._lib, ctypes.byref(options), out)
            if returned < 0:
                self._error = failure(self._call, returned)
            else:
                self._results = self._results_of(out, returned)
        except BaseException as error:  # handed to the waiting thread
            self._error = error
        finally:
            self._events.put(_END)

    def _results_of(self, out: Any, returned: int) -> List[FleetResult]:
        """The results as the library wrote them; the first failed screen is told the library's
        own words for why, the others the words for their code."""
        code, reason = _native.last_error()
        first = next((i for i, r in enumerate(out) if r.error != 0), None)
        results = []
        for index, raw in enumerate(out):
            screen = self._fleet.screens[index]
            error = None
            if raw.error != 0:
                words = reason if index == first and raw.error == code else code_words(raw.error)
                error = error_for(self._call, returned, raw.error, f"{screen!r}: {words}")
            value = None if error is not None else self._answer(raw.value)
            results.append(
                FleetResult(
                    index, screen, self._fleet.names[index], error, value, raw.packetsDone,
                    raw.packetsTotal, raw.bytesDone, raw.milliseconds,
                )
            )
        return results


class Fleet:
    """Screens driven together. Each run sends to every screen, at most `jobs` in progress at
    once (default: as many as useful), each packet tried `tries` times (1..10, default 3) with
    a receive window of `window_ms` (1..60000, default each command's own); screens on one
    serial line, or at one address and port, take turns. Open inside `with veltrane.Library():`
    and close it (or use it as a context manager): the library holds at most 256 fleets."""

    def __init__(
        self, screens: Sequence[Screen], names: Optional[Sequence[Optional[str]]] = None
    ) -> None:
        self.screens: List[Screen] = list(screens)
        for screen in self.screens:
            if not isinstance(screen, Screen):
                raise TypeError(f"a fleet holds veltrane.Screen, not {type(screen).__name__}")
        self.names: List[Optional[str]] = list(names) if names is not None else []
        self.names += [None] * (len(self.screens) - len(self.names))
        if len(self.names) != len(self.screens):
            raise ArgumentError(f"{len(self.names)} names for {len(self.screens)} screens")
        self._lib = started.require()
        params = (_native.DevParam * len(self.screens))(*(s._param for s in self.screens))
        self._number = check("LED_FleetOpen", self._lib.LED_FleetOpen(params, len(params)),
                             ok=lambda r: r > 0)
        self._run: Optional[FleetRun] = None
        self._starting = threading.Lock()  # one run at a time, whichever thread starts it

    @classmethod
    def from_file(cls, path: Union[str, "os.PathLike[str]"]) -> Fleet:
        """The fleet a fleet file lists (the format `veltrane --to FILE` reads); a line it cannot
        use raises ArgumentError naming the file and line."""
        screens, names = read_fleet_file(path)
        return cls(screens, names)

    def __repr__(self) -> str:
        return f"<veltrane.Fleet of {len(self.screens)} screens>"

    def __len__(self) -> int:
        return len(self.screens)

    def __enter__(self) -> Fleet:
        return self

    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> bool:
        self.close()
        return False

    def close(self) -> None:
        """Cancels a run still in progress, waits for it and closes the fleet."""
        if self._number == 0:
            return
        if self._run is not None:
            with self._run:
                pass
        check("LED_FleetClose", self._lib.LED_FleetClose(self._number))
        self._number = 0

    def start_send(self, program: Program, **policy: Optional[int]) -> FleetRun:
        """Starts sending the program to every screen and returns the run: iterate it for its
        progress, `wait()` for its results. A screen counts as sent only when it acknowledged all
        of the program."""
        if not isinstance(program, Program):
            raise TypeError(f"send takes a veltrane.Program, not {type(program).__name__}")

        def send(lib: Any, options: Any, out: Any) -> int:
            with slots:
                slot = program._build(lib)
                returned = int(lib.LED_FleetSend(self._number, slot, options, out))
                if returned < 0:
                    error = failure("LED_FleetSend", returned)  # before the release clears it
                    lib.LED_ReleaseMem(slot)  # a program not sent stays in its slot
                    raise error
                return returned

        return self._start("LED_FleetSend", send, None, policy)

    def send(self, program: Program, progress: Optional[Progress] = None,
             **policy: Optional[int]) -> List[FleetResult]:
        """Sends the program to every screen; one result each. `progress` is called on this
        thread with each FleetProgress. KeyboardInterrupt cancels the run, waits for it, and
        goes on."""
        return self.start_send(program, **policy).wait(progress)

    def set_power(self, on: bool, progress: Optional[Progress] = None,
                  **policy: Optional[int]) -> List[FleetResult]:
        """Switches every screen on (True) or off (False)."""
        return self._command(_native.FLEET_SET_POWER, power_value(on), progress, policy)

    def get_power(self, progress: Optional[Progress] = None,
                  **policy: Optional[int]) -> List[FleetResult]:
        """Asks every screen whether it is on: each result's value is True or False."""
        return self._command(_native.FLEET_GET_POWER, 0, progress, policy, bool)

    def set_brightness(self, level: int, progress: Optional[Progress] = None,
                       **policy: Optional[int]) -> List[FleetResult]:
        """Sets every screen's brightness (0..2147483647, sent as it is)."""
        return self._command(_native.FLEET_SET_BRIGHT, brightness_value(level), progress, policy)

    def get_brightness(self, progress: Optional[Progress] = None,
                       **policy: Optional[int]) -> List[FleetResult]:
        """Asks every screen its brightness: each result's value."""
        return self._command(_native.FLEET_GET_BRIGHT, 0, progress, policy, int)

    def reset(self, progress: Optional[Progress] = None,
              **policy: Optional[int]) -> List[FleetResult]:
        return self._command(_native.FLEET_RESET, 0, progress, policy)

    def sync_time(self, progress: Optional[Progress] = None,
                  **policy: Optional[int]) -> List[FleetResult]:
        """Sets each screen's clock to this computer's local time at its turn."""
        return self._command(_native.FLEET_ADJUST_TIME, 0, progress, policy)

    def _command(self, command: int, value: int, progress: Optional[Progress],
                 policy: Any, answer: Optional[Callable[[int], Any]] = None) -> List[FleetResult]:
        def run(lib: Any, options: Any, out: Any) -> int:
            return int(lib.LED_FleetCommand(self._number, command, value, options, out))

        return self._start("LED_FleetCommand", run, answer, policy).wait(progress)

    def _start(self, call: str, start: Callable[[Any, Any, Any], int],
               answer: Optional[Callable[[int], Any]], policy: Any) -> FleetRun:
        options = _policy(**policy)
        if self._number == 0:
            raise ArgumentError("the fleet is closed")
        started.require()
        with self._starting:
            if self._run is not None and self._run.running:
                raise DeviceError("a run is in progress on this fleet")
            self._run = FleetRun(self, call, start, options, answer or _no_value)
            return self._run


def _no_value(value: int) -> None:
    return None


def _policy(
    jobs: Optional[int] = None, tries: Optional[int] = None, window_ms: Optional[int] = None
) -> Tuple[int, int, int]:
    """(jobs, tries, window_ms) as the library takes them: 0 for its default. The library refuses
    a value past its range; one past 32 bits is refused here, where it would be cut."""
    jobs, tries, window_ms = (
        0 if value is None else whole_number(name, value, 1, INT32_MAX)
        for name, value in (("jobs", jobs), ("tries", tries), ("window_ms", window_ms))
    )
    return jobs, tries, window_ms
