#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Switches a screen on, sets its clock and brightness, and sends it a page of text, the live
time and an analog clock.

    python3 examples/python/hello_screen.py 127.0.0.1 6666    # over UDP (veltrane-screen too)
    python3 examples/python/hello_screen.py --serial /dev/ttyUSB0 57600
"""

import sys

import veltrane


def open_screen(arguments):
    if arguments[0] == "--serial":
        baud = int(arguments[2]) if len(arguments) > 2 else 57600
        return veltrane.Screen.serial(arguments[1], baud=baud)
    port = int(arguments[1]) if len(arguments) > 1 else 6666
    return veltrane.Screen.udp(arguments[0], port=port)


def greeting():
    program = veltrane.Program(color_mode=2)
    page = program.page()
    page.text((0, 0, 95, 15), "Hello from Python", size=9, color="yellow")
    page.datetime((0, 16, 63, 31), format="time-seconds", size=9, color="green")
    page.clock((96, 0, 127, 31), hour="red", minute="green", second="yellow")
    return program


def main(arguments):
    if not arguments:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with veltrane.Library():
        screen = open_screen(arguments)
        try:
            screen.power = True
            screen.sync_time()
            screen.brightness = 12
            screen.send(greeting())
        except veltrane.VeltraneError as error:
            print(f"hello_screen: {error}", file=sys.stderr)
            return 1
    print(f"sent the greeting to {screen!r} with libveltrane {veltrane.library_version()}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
