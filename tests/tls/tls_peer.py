#!/usr/bin/env python3
"""Native TLS test peer with control over record boundaries and timing.

TLS port: after the handshake the client sends one line naming a scenario; the
peer then writes the records it describes.  Plain port: answers like a POP3
server without TLS, so a client's handshake must fail.
Usage: tls_peer.py <tls port> <plain port> <cert> <key>
"""
import socket
import ssl
import sys
import threading
import time


class Conn:
    def __init__(self, sock, ctx):
        self.sock = sock
        self.incoming = ssl.MemoryBIO()
        self.outgoing = ssl.MemoryBIO()
        self.tls = ctx.wrap_bio(self.incoming, self.outgoing, server_side=True)

    def flush(self):
        data = self.outgoing.read()
        if data:
            self.sock.sendall(data)

    def pump(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError
        self.incoming.write(data)

    def handshake(self):
        while True:
            try:
                self.tls.do_handshake()
                self.flush()
                return
            except ssl.SSLWantReadError:
                self.flush()
                self.pump()

    def read_until(self, count=None):
        """Reads one line, or exactly count bytes."""
        buf = b""
        while (count is None and b"\n" not in buf) or (count is not None and len(buf) < count):
            try:
                buf += self.tls.read(65536)
            except ssl.SSLWantReadError:
                self.pump()
        return buf

    def records(self, *chunks):
        """Ciphertext of one record per chunk (chunks up to 16 KiB)."""
        for chunk in chunks:
            self.tls.write(chunk)
        return self.outgoing.read()


def pattern(n):
    return bytes((i * 7 + i // 251) % 256 for i in range(n))


def scenario(conn, line):
    words = line.decode().split()
    name = words[0]
    if name == "large":
        # Many full records, each sent by itself.
        data = pattern(int(words[1]))
        for i in range(0, len(data), 16384):
            conn.sock.sendall(conn.records(data[i:i + 16384]))
    elif name == "two":
        conn.sock.sendall(conn.records(b"first\r\n", b"second\r\n"))
        conn.read_until()  # the client says when it is done
    elif name == "split":
        # One record delivered in pieces with pauses between them.
        wire = conn.records(pattern(int(words[1])))
        cuts = [0, 3, 5, 200, len(wire) // 2, len(wire) - 1, len(wire)]
        for a, b in zip(cuts, cuts[1:]):
            conn.sock.sendall(wire[a:b])
            time.sleep(0.3)
        conn.read_until()
    elif name == "one":
        conn.sock.sendall(conn.records(pattern(int(words[1]))))
        conn.read_until()
    elif name == "bye":
        conn.sock.sendall(conn.records(b"bye\r\n"))
        try:
            conn.tls.unwrap()
        except ssl.SSLWantReadError:
            pass
        conn.flush()
        time.sleep(2)
    elif name == "sink":
        # Client sends N bytes; the peer answers with their count and a checksum.
        data = conn.read_until(int(words[1]))
        conn.sock.sendall(conn.records(b"got %d %d\r\n" % (len(data), sum(data) % 65521)))
        conn.read_until()


def serve_tls(sock, ctx):
    conn = Conn(sock, ctx)
    try:
        conn.handshake()
        scenario(conn, conn.read_until())
    except (EOFError, OSError, ssl.SSLError):
        pass
    finally:
        sock.close()


def serve_plain(sock, ctx):
    try:
        sock.sendall(b"+OK plain POP3 server ready\r\n")
        sock.settimeout(3)
        while sock.recv(4096):
            pass
    except OSError:
        pass
    finally:
        sock.close()


def listen(port, handler, ctx):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(16)
    while True:
        sock, _ = server.accept()
        threading.Thread(target=handler, args=(sock, ctx), daemon=True).start()


def main():
    tls_port, plain_port, cert, key = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    threading.Thread(target=listen, args=(plain_port, serve_plain, None), daemon=True).start()
    listen(tls_port, serve_tls, ctx)


if __name__ == "__main__":
    main()
