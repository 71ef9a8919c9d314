#!/usr/bin/env python3
"""Sends one Script-Fu expression to GIMP's Script-Fu server on loopback and
prints the reply. Exit code 1 when Script-Fu reports an error, 2 when the
server cannot be reached.

    gimp-client.py PORT EXPRESSION
    gimp-client.py --free-port      prints a loopback port free right now
"""
import socket
import struct
import sys


def read_exactly(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise ConnectionError("the server closed the connection")
        data += chunk
    return data


def ask(port, expression, timeout=60):
    command = expression.encode("utf-8")
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(b"G" + struct.pack(">H", len(command)) + command)
        magic, error, length = struct.unpack(">cBH", read_exactly(sock, 4))
        if magic != b"G":
            raise ConnectionError("not a Script-Fu server reply")
        return error, read_exactly(sock, length).decode("utf-8", "replace")


def free_port():
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


def main():
    if sys.argv[1:] == ["--free-port"]:
        print(free_port())
        return 0
    port, expression = int(sys.argv[1]), sys.argv[2]
    try:
        error, text = ask(port, expression)
    except OSError as problem:
        print(f"gimp-client: {problem}", file=sys.stderr)
        return 2
    print(text)
    return 1 if error else 0


if __name__ == "__main__":
    sys.exit(main())
