#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The Wireshark dissector against a real exchange.

Starts veltrane-screen on loopback, puts a UDP relay between it and the veltrane command, runs
every device command and an upload through the relay and writes each datagram, both ways, to a
classic pcap file (raw IPv4, with the screen shown on port 6666). The relay loses the screen's
first reply and the screen leaves one upload packet unacknowledged, so two requests are tried
again. Then reads the capture with tshark (both passes) and the dissector and checks the fields of
every command, reply and upload packet, and that each reply is linked to its request.

Usage: dissector_test.py VELTRANE VELTRANE_SCREEN DISSECTOR PROGRAM_JSON
Exits 77 (skipped) when tshark is not installed.
"""
import os
import random
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

SCREEN_PORT = 6666  # where the capture shows the screen, the dissector's default port
UNACKNOWLEDGED_SEQ = 2  # the upload packet the screen does not acknowledge the first time
CLIENT_PORT = 40000  # where the capture shows the command
SKIPPED = 77


class PcapWriter:
    """Classic pcap, linktype 101 (raw IP): each datagram in a made-up IPv4 and UDP header."""

    def __init__(self, path):
        self.file = open(path, "wb")
        self.file.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 101))
        self.ident = 0
        self.records = []

    def write(self, payload, from_screen):
        self.records.append((payload, from_screen))
        source, destination = (SCREEN_PORT, CLIENT_PORT) if from_screen else (CLIENT_PORT, SCREEN_PORT)
        udp = struct.pack("!HHHH", source, destination, 8 + len(payload), 0) + payload
        self.ident += 1
        header = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), self.ident, 0, 64, 17, 0,
                             bytes([127, 0, 0, 1]), bytes([127, 0, 0, 1]))
        checksum = _ip_checksum(header)
        packet = header[:10] + struct.pack("!H", checksum) + header[12:] + udp
        now = time.time()
        self.file.write(struct.pack("<IIII", int(now), int(now % 1 * 1e6), len(packet), len(packet)))
        self.file.write(packet)

    def close(self):
        self.file.close()


def _ip_checksum(header):
    total = sum(struct.unpack("!10H", header))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


class Relay:
    """Forwards the command's datagrams to the screen and the screen's back, recording both."""

    def __init__(self, screen_port, capture, lose_first_reply):
        self.outside = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.outside.bind(("127.0.0.1", 0))
        self.inside = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.inside.bind(("127.0.0.1", 0))
        self.screen = ("127.0.0.1", screen_port)
        self.capture = capture
        self.client = None
        self.first_request = None
        self.lose_reply = lose_first_reply
        self.running = True
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    @property
    def port(self):
        return self.outside.getsockname()[1]

    def _run(self):
        import selectors
        selector = selectors.DefaultSelector()
        selector.register(self.outside, selectors.EVENT_READ)
        selector.register(self.inside, selectors.EVENT_READ)
        while self.running:
            for key, _ in selector.select(timeout=0.1):
                data, sender = key.fileobj.recvfrom(2048)
                if key.fileobj is self.outside:
                    self.client = sender
                    self.first_request = self.first_request or data
                    self.capture.write(data, from_screen=False)
                    self.inside.sendto(data, self.screen)
                elif self.lose_reply:
                    self.lose_reply = False  # lost on the way: neither captured nor passed on
                elif self.client is not None:
                    self.capture.write(data, from_screen=True)
                    self.outside.sendto(data, self.client)

    def stop(self):
        self.running = False
        self.thread.join()


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def record_exchange(veltrane, screen_binary, program, capture_path):
    port = free_udp_port()
    screen = subprocess.Popen([screen_binary, "--udp", f"127.0.0.1:{port}", "--drop-ack",
                               str(UNACKNOWLEDGED_SEQ)], stdout=subprocess.PIPE, text=True)
    try:
        screen.stdout.readline()  # the screen prints its address once it serves
        capture = PcapWriter(capture_path)
        relay = Relay(port, capture, lose_first_reply=True)
        target = ["--udp", f"127.0.0.1:{relay.port}"]
        sent = []  # each request as the command's -v names it, tries again included
        for command in (["power"], ["power", "on"], ["brightness"], ["brightness", "7"],
                        ["reset"], ["sync-time"], ["send", program]):
            run = subprocess.run([veltrane, *command, *target, "-v"], check=True, text=True,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            sent += re.findall(r"^try \d+ of \d+: sent (.+) \(\d+ bytes\)", run.stderr, re.M)
        relay.stop()
        # Last, the first request once more with a damaged body byte: its CRC no longer holds.
        damaged = bytearray(relay.first_request)
        damaged[1] ^= 0x01
        capture.write(bytes(damaged), from_screen=False)
        capture.close()
        return capture.records, sent
    finally:
        screen.terminate()
        screen.wait()


FIELDS = ["frame.number", "frame.time_epoch", "veltrane.request_in", "veltrane.response_in",
          "veltrane.response_time", "veltrane.retry", "veltrane.retry_of", "veltrane.try",
          "veltrane.cmd", "veltrane.devaddr", "veltrane.value", "veltrane.answered_cmd",
          "veltrane.status", "veltrane.ack", "veltrane.crc.good", "veltrane.escapes", "veltrane.upload.seq",
          "veltrane.upload.piece_len", "veltrane.time", "veltrane.program.length",
          "veltrane.program.pages", "veltrane.page.items", "veltrane.area", "_ws.col.Info"]


def dissect(capture_path, dissector):
    command = ["tshark", "-2", "-r", capture_path, "-X", f"lua_script:{dissector}", "-T", "fields",
               "-E", "separator=|", "-E", "occurrence=a", "-E", "aggregator=;"]
    for field in FIELDS:
        command += ["-e", field]
    result = subprocess.run(command, check=True, capture_output=True, text=True)
    if "Lua" in result.stderr or "lua" in result.stderr:
        sys.exit(f"tshark complained about the dissector: {result.stderr.strip()}")
    return [dict(zip(FIELDS, line.split("|"))) for line in result.stdout.splitlines()]


def check(rows, sent):
    failures = []

    def expect(what, condition):
        if not condition:
            failures.append(what)

    damaged, rows = rows[-1], rows[:-1]
    expect("the damaged frame fails its CRC and is not read further",
           damaged["veltrane.crc.good"] in ("0", "False") and damaged["veltrane.cmd"] == "")
    expect("every frame of the exchange has a good CRC",
           all(r["veltrane.crc.good"] in ("1", "True") for r in rows))
    expect("some frame carried escaped bytes", any(int(r["veltrane.escapes"]) > 0 for r in rows))
    all_requests = [r for r in rows if r["veltrane.cmd"] != "3"]
    replies = [r for r in rows if r["veltrane.cmd"] == "3"]
    failures += check_links(all_requests, replies)
    named = [r["_ws.col.Info"] for r in all_requests]
    expect(f"each request named as -v names it: {sent} against {named}",
           len(named) == len(sent) and all(re.match(re.escape(name) + r"(?!\d)", info)
                                           for info, name in zip(named, sent)))
    requests = [r for r in all_requests if not r["veltrane.retry"]]
    # Each device command goes out once, to screen 1, with its value, and is answered.
    for cmd, value in (("9", "0"), ("10", "1"), ("11", "0"), ("12", "7"), ("99", "0"), ("6", "0")):
        sent = [r for r in requests if r["veltrane.cmd"] == cmd]
        expect(f"command {cmd} sent once with value {value}",
               len(sent) == 1 and sent[0]["veltrane.value"] == value
               and sent[0]["veltrane.devaddr"] == "1")
        expect(f"command {cmd} answered", any(r["veltrane.answered_cmd"] == cmd for r in replies))
    time_rows = [r for r in requests if r["veltrane.cmd"] == "6"]
    expect("the clock request shows its time",
           time_rows and len(time_rows[0]["veltrane.time"]) == len("2026-12-09 02:02:58.000 (Wed)"))
    # The upload: start (0), two pieces of 512 and 472 bytes (1, 2), end (3), each acknowledged.
    upload = [(r["veltrane.cmd"], r["veltrane.upload.seq"], r["veltrane.upload.piece_len"])
              for r in requests if r["veltrane.cmd"] in ("0", "1", "2")]
    expect(f"upload packets in order, got {upload}",
           upload == [("0", "0", ""), ("2", "1", "512"), ("2", "2", "472"), ("1", "3", "")])
    acks = [(r["veltrane.answered_cmd"], r["veltrane.value"], r["veltrane.ack"])
            for r in replies if r["veltrane.ack"]]
    expect(f"every upload packet acknowledged, got {acks}",
           [(a, v) for a, v, _ in acks] == [("0", "0"), ("2", "1"), ("2", "2"), ("1", "3")]
           and all(ack in ("1", "True") for _, _, ack in acks))
    end = [r for r in requests if r["veltrane.cmd"] == "1"]
    expect("the end packet summarises the program",
           end and end[0]["veltrane.program.length"] == "984"
           and end[0]["veltrane.program.pages"] == "2"
           and end[0]["veltrane.page.items"] == "2;1"
           and end[0]["veltrane.area"] == "window (0, 0, 128, 16);string (0, 16, 128, 32);"
                                          "window (0, 0, 128, 32)")
    return failures


def check_links(requests, replies):
    """Each reply names the request it answers, which names it back, with the time between them;
    the two requests whose reply never came (the lost one, the withheld acknowledgement) are each
    tried again, and only their second tries are marked as retries of the first."""
    failures = []
    by_frame = {r["frame.number"]: r for r in requests}
    for reply in replies:
        request = by_frame.get(reply["veltrane.request_in"])
        if request is None:
            failures.append(f"reply {reply['frame.number']} names no request")
            continue
        seq_matches = request["veltrane.cmd"] not in ("0", "1", "2") or \
            request["veltrane.upload.seq"] == reply["veltrane.value"]
        if request["veltrane.cmd"] != reply["veltrane.answered_cmd"] or not seq_matches:
            failures.append(f"reply {reply['frame.number']} linked to request {request['frame.number']}, "
                            "which it does not answer")
        if request["veltrane.response_in"] != reply["frame.number"]:
            failures.append(f"request {request['frame.number']} does not name its reply "
                            f"{reply['frame.number']}")
        took = float(reply["frame.time_epoch"]) - float(request["frame.time_epoch"])
        if abs(float(reply["veltrane.response_time"] or "nan") - took) > 1e-6:
            failures.append(f"reply {reply['frame.number']}: response time "
                            f"{reply['veltrane.response_time']}, the frames are {took:.9f} s apart")
    unanswered = [r for r in requests if not r["veltrane.response_in"]]
    retries = [r for r in requests if r["veltrane.retry"]]
    lost = [(r["veltrane.cmd"], r["veltrane.upload.seq"]) for r in unanswered]
    if lost != [("9", ""), ("2", str(UNACKNOWLEDGED_SEQ))]:
        failures.append(f"unanswered requests: expected the first power query and upload packet "
                        f"{UNACKNOWLEDGED_SEQ}, got {lost}")
    expected = [(r["frame.number"], "2") for r in unanswered]
    got = [(r["veltrane.retry_of"], r["veltrane.try"]) for r in retries]
    if got != expected or not all(r["veltrane.retry"] in ("1", "True") for r in retries):
        failures.append(f"retries: expected second tries of {expected}, got {got}")
    return failures


def frame(body):
    """A link frame around `body`, as screens expect it: for the damaged uploads below."""
    crc = 0xFFFF
    for byte in body:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    out = bytearray([0x55])
    for byte in bytes(body) + bytes([crc >> 8, crc & 0xFF]):
        out += bytes([0xBB, byte + 1]) if byte in (0x55, 0xAA, 0xBB) else bytes([byte])
    return bytes(out + b"\xAA")


def write_damaged_capture(records, path):
    """Damaged datagrams for the dissector to survive: cut, with bytes changed, garbage, and
    uploads whose pieces (with good CRCs) carry nonsense lengths and counts."""
    rng = random.Random(6666)
    capture = PcapWriter(path)
    for _ in range(300):
        payload, from_screen = rng.choice(records)
        damaged = bytearray(payload[:rng.randrange(len(payload) + 1)])
        for _ in range(rng.randrange(4)):
            if damaged:
                damaged[rng.randrange(len(damaged))] = rng.choice([0x55, 0xAA, 0xBB, rng.randrange(256)])
        capture.write(bytes(damaged), from_screen)
    header = struct.Struct("<HBBI")
    for _ in range(40):
        pieces = [bytearray(rng.randbytes(rng.randrange(0, 40))) for _ in range(rng.randrange(1, 4))]
        for at in range(0, min(len(pieces[0]), 16), 2):
            pieces[0][at:at + 2] = rng.choice([b"\x00\x00", b"\xff\xff", b"\x30\x00", b"\x10\x00"])
        capture.write(frame(header.pack(0, 0, 1, 0)), False)
        for seq, piece in enumerate(pieces, 1):
            capture.write(frame(header.pack(2, 0, 1, seq) + piece), False)
        capture.write(frame(header.pack(1, 0, 1, len(pieces) + 1)), False)
    capture.close()


def lua_errors(capture_path, dissector):
    result = subprocess.run(["tshark", "-2", "-r", capture_path, "-X", f"lua_script:{dissector}", "-V"],
                            check=True, capture_output=True, text=True)
    return [line.strip() for line in result.stdout.splitlines() if "Lua Error" in line]


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    veltrane, screen_binary, dissector, program = sys.argv[1:]
    if shutil.which("tshark") is None:
        print("tshark is not installed: the dissector test is skipped "
              "(scripts/install-deps.sh tests installs it)")
        return SKIPPED
    with tempfile.TemporaryDirectory() as folder:
        capture_path = os.path.join(folder, "exchange.pcap")
        records, sent = record_exchange(veltrane, screen_binary, program, capture_path)
        rows = dissect(capture_path, dissector)
        damaged_path = os.path.join(folder, "damaged.pcap")
        write_damaged_capture(records, damaged_path)
        errors = lua_errors(damaged_path, dissector)
    failures = check(rows, sent) + [f"on damaged input: {error}" for error in sorted(set(errors))[:5]]
    for failure in failures:
        print(f"FAILED: {failure}")
    if failures:
        for row in rows[:40]:
            print(row)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
