#!/usr/bin/env python3
"""An RFC 2217 device server built from pyserial's PortManager, for Solwire's
interoperability tests. Its serial port is a stand-in whose input lines are
set from standard input ("dcd on", "cts off", ...); every setting the client
makes is printed ("baudrate 1200"). Data from the client is echoed back.
Prints "listening PORT" once it listens on 127.0.0.1; serves one client."""
import select
import socket
import sys

import serial.rfc2217 as rfc2217

REPORTED = ("baudrate", "bytesize", "parity", "stopbits", "dtr", "rts")


def say(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


class StandInPort:
    """What PortManager reads and sets on a serial port."""

    def __init__(self):
        for name, value in (("baudrate", 9600), ("bytesize", 8), ("parity", "N"), ("stopbits", 1),
                            ("dtr", False), ("rts", False), ("xonxoff", False), ("rtscts", False),
                            ("break_condition", False), ("cts", False), ("dsr", False), ("ri", False),
                            ("cd", False)):
            object.__setattr__(self, name, value)

    def __setattr__(self, name, value):
        object.__setattr__(self, name, value)
        if name in REPORTED:
            say("{} {}".format(name, value))

    def reset_input_buffer(self):
        say("purge input")

    def reset_output_buffer(self):
        say("purge output")


class Connection:
    def __init__(self, sock):
        self.sock = sock

    def write(self, data):
        self.sock.sendall(data)


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    say("listening {}".format(listener.getsockname()[1]))
    client, _ = listener.accept()
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    port = StandInPort()
    manager = rfc2217.PortManager(port, Connection(client))
    while True:
        ready, _, _ = select.select([client, sys.stdin], [], [])
        if client in ready:
            data = client.recv(1024)
            if not data:
                return
            payload = b"".join(manager.filter(data))
            if payload:
                client.sendall(b"".join(manager.escape(payload)))
        if sys.stdin in ready:
            line = sys.stdin.readline()
            if not line:
                return
            words = line.split()
            if len(words) == 2 and words[0] in ("dcd", "cts", "dsr", "ri"):
                object.__setattr__(port, "cd" if words[0] == "dcd" else words[0], words[1] == "on")
                manager.check_modem_lines()
                say("lines set")


if __name__ == "__main__":
    main()
