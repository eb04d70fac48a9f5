#!/usr/bin/python3
"""Cuts the power of the emulated board at the first write to an address.

Speaks the debugger's remote protocol to qemu's stub on a Unix socket: sets a
write watchpoint on ADDRESS, lets the board run (qemu was started with -S, so
nothing ran before), and when the board stops there kills qemu (PID) with
SIGKILL while it is still stopped, so nothing after that store reaches the
flash. Without a stop within SECONDS it kills qemu all the same.

  lab/watch.py SOCKET ADDRESS SECONDS PID

Exits 0 when the board stopped at the watchpoint, 1 otherwise.
"""
import os
import signal
import socket
import sys
import time


def main():
    path, address, seconds, pid = sys.argv[1], int(sys.argv[2], 0), float(sys.argv[3]), int(sys.argv[4])
    deadline = time.monotonic() + seconds
    try:
        stub = connect(path, deadline)
        command(stub, deadline, b"Z2,%x,1" % address, expect=b"OK")
        stop = command(stub, deadline, b"c")
        if not stop.startswith(b"T") or b"watch:" not in stop:
            raise RuntimeError("the board stopped for another reason: %s" % stop.decode(errors="replace"))
        os.kill(pid, signal.SIGKILL)
        print("cut at the write to 0x%x (%s)" % (address, stop.decode(errors="replace")))
        return 0
    except (OSError, RuntimeError) as error:
        print("no cut at 0x%x: %s" % (address, error))
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
        return 1


def connect(path, deadline):
    while True:
        stub = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            stub.connect(path)
            return stub
        except OSError:
            stub.close()
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


def command(stub, deadline, payload, expect=None):
    """Sends one packet and returns the payload of the reply packet."""
    stub.sendall(b"$%s#%02x" % (payload, sum(payload) & 0xFF))
    reply = receive(stub, deadline)
    if expect is not None and reply != expect:
        raise RuntimeError("%s answered %r" % (payload.decode(), reply))
    return reply


def receive(stub, deadline):
    data = b""
    while True:
        start = data.find(b"$")
        end = data.find(b"#", start)
        if start >= 0 and end >= 0 and len(data) >= end + 3:
            stub.sendall(b"+")
            return data[start + 1:end]
        left = deadline - time.monotonic()
        if left <= 0:
            raise RuntimeError("no answer in time")
        stub.settimeout(left)
        chunk = stub.recv(4096)
        if not chunk:
            raise RuntimeError("the stub closed the connection")
        data += chunk


if __name__ == "__main__":
    sys.exit(main())
