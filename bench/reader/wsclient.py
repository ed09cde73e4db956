"""A minimal WebSocket client (RFC 6455) over the loopback address: text frames out, text frames
in, enough to speak the DevTools protocol and WebDriver BiDi without anything beyond the standard
library."""

import base64
import os
import socket
import struct
from urllib.parse import urlsplit


class Closed(Exception):
    pass


def connect(url, timeout=30):
    """Opens the socket and does the opening handshake; returns the connected socket."""
    parts = urlsplit(url)
    sock = socket.create_connection((parts.hostname, parts.port or 80), timeout=timeout)
    key = base64.b64encode(os.urandom(16)).decode()
    path = parts.path or "/"
    if parts.query:
        path += "?" + parts.query
    request = ("GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n"
               % (path, parts.hostname, parts.port or 80, key))
    sock.sendall(request.encode())
    answer = b""
    while b"\r\n\r\n" not in answer:
        chunk = sock.recv(4096)
        if not chunk:
            raise Closed("handshake: connection closed")
        answer += chunk
    head, _, rest = answer.partition(b"\r\n\r\n")
    if b" 101 " not in head.split(b"\r\n")[0]:
        raise Closed("handshake refused: " + head.split(b"\r\n")[0].decode(errors="replace"))
    return _Socket(sock, rest)


class _Socket:
    def __init__(self, sock, pending):
        self.sock = sock
        self.pending = pending

    def _read(self, n):
        while len(self.pending) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise Closed("connection closed")
            self.pending += chunk
        data, self.pending = self.pending[:n], self.pending[n:]
        return data

    def send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        n = len(payload)
        if n < 126:
            head = struct.pack("!BB", 0x81, 0x80 | n)
        elif n < 65536:
            head = struct.pack("!BBH", 0x81, 0x80 | 126, n)
        else:
            head = struct.pack("!BBQ", 0x81, 0x80 | 127, n)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(head + mask + masked)

    def receive(self, timeout=None):
        """The next whole text message; answers pings, raises Closed at a close frame."""
        self.sock.settimeout(timeout)
        message = b""
        while True:
            first, second = self._read(2)
            n = second & 0x7F
            if n == 126:
                n = struct.unpack("!H", self._read(2))[0]
            elif n == 127:
                n = struct.unpack("!Q", self._read(8))[0]
            mask = self._read(4) if second & 0x80 else None
            payload = self._read(n)
            if mask:
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
            opcode = first & 0x0F
            if opcode == 0x8:
                raise Closed("closed by the peer")
            if opcode == 0x9:
                self.sock.sendall(struct.pack("!BB", 0x8A, 0x80 | len(payload)) + b"\0\0\0\0" + payload)
                continue
            if opcode in (0x0, 0x1, 0x2):
                message += payload
                if first & 0x80:
                    return message.decode()

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass
