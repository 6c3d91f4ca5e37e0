#!/usr/bin/env python3
"""Native TLS test peer with control over record boundaries and timing.

Ports from <base>:
  base     TLS; after the handshake the client sends one line naming a scenario,
           and the peer writes the records it describes.
  base+1   plain: answers like a POP3 server without TLS, so a handshake fails.
  base+2   TLS that asks for a client certificate (and accepts none), then echoes
           one line.
  base+3   a flood: a handshake record announcing a server hello of 16 MiB, then
           endless handshake records, so the client's handshake buffer fills.
Usage: tls_peer.py <base port> <cert> <key>
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

    def read_record(self):
        """Reads one whole record from the socket with delayed ACKs; returns the reads it took."""
        reads, data = 0, b""
        while len(data) < 5 or len(data) < 5 + int.from_bytes(data[3:5], "big"):
            self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 0)
            part = self.sock.recv(65536)
            if not part:
                raise EOFError
            reads += 1
            data += part
        self.incoming.write(data)
        return reads

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
    elif name == "reads":
        # Answers each of the client's next records with the number of socket reads it
        # took. ACKs are held back, so a record written in parts arrives in parts: the
        # client's stack sends the rest only once the first part is acknowledged.
        conn.sock.sendall(conn.records(b"go\r\n"))
        for _ in range(int(words[1])):
            reads = conn.read_record()
            conn.read_until()
            conn.sock.sendall(conn.records(b"%d\r\n" % reads))
    elif name == "sink":
        # Client sends N bytes; the peer answers with their count and a checksum.
        data = conn.read_until(int(words[1]))
        conn.sock.sendall(conn.records(b"got %d %d\r\n" % (len(data), sum(data) % 65521)))
        conn.read_until()


def tls_session(body):
    """A handler that runs body(conn) on the connection after the handshake."""
    def serve(sock, ctx):
        conn = Conn(sock, ctx)
        try:
            conn.handshake()
            body(conn)
        except (EOFError, OSError, ssl.SSLError):
            pass
        finally:
            sock.close()
    return serve


def echo_line(conn):
    conn.sock.sendall(conn.records(b"echo " + conn.read_until()))
    conn.read_until()


def drain(sock, seconds):
    """Reads and drops what the client sends until it closes or goes quiet."""
    sock.settimeout(seconds)
    while sock.recv(4096):
        pass


def serve_plain(sock, ctx):
    try:
        sock.sendall(b"+OK plain POP3 server ready\r\n")
        drain(sock, 3)
    except OSError:
        pass
    finally:
        sock.close()


def serve_flood(sock, ctx):
    try:
        sock.recv(65536)  # the client hello
        record = b"\x16\x03\x03\x40\x00"
        sock.sendall(record + b"\x02\xff\xff\xff" + bytes(0x4000 - 4))
        for _ in range(64):  # 1 MiB in all, far more than any handshake buffer
            sock.sendall(record + bytes(0x4000))
        sock.shutdown(socket.SHUT_WR)
        drain(sock, 10)
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
    base, cert, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    asking = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    asking.load_cert_chain(cert, key)
    asking.load_verify_locations(cert)
    asking.verify_mode = ssl.CERT_OPTIONAL
    for port, handler, context in ((base + 1, serve_plain, None), (base + 2, tls_session(echo_line), asking),
                                   (base + 3, serve_flood, None)):
        threading.Thread(target=listen, args=(port, handler, context), daemon=True).start()
    listen(base, tls_session(lambda conn: scenario(conn, conn.read_until())), ctx)


if __name__ == "__main__":
    main()
