#!/usr/bin/env python3
"""Header blocks of 5 MB and 20 MB for pop3_bench --blocks.
    block_server.py --write DIR          writes them as DIR/1.eml and DIR/2.eml (for Dovecot)
    block_server.py PORT TLSPORT CERT KEY
        serves them from memory on 127.0.0.1 (plain and implicit TLS), so that the
        clients are timed against a server that costs next to nothing; any user and
        password log in; STAT, LIST, TOP, CAPA and QUIT are answered."""
import socket
import socketserver
import ssl
import sys
import threading

SIZES_MB = (5, 20)


def message(megabytes):
    parts = [b"From: Sender <sender@example.test>\r\nSubject: Block of %d MB\r\n"
             b"Date: Tue, 05 Jun 2007 14:03:22 +0200\r\n" % megabytes]
    line, written = 0, 0
    while written < megabytes * 1000000:
        text = b"X-Relay-%07d: by relay%d.example.test with ESMTP id %08X\r\n" % (line, line % 97, line)
        parts.append(text)
        written += len(text)
        line += 1
    header = b"".join(parts)
    return header, header + b"\r\nBody.\r\n"


def serve(port, tls_port, cert, key):
    headers = [message(mb)[0] for mb in SIZES_MB]
    sizes = [len(message(mb)[1]) for mb in SIZES_MB]

    class Session(socketserver.StreamRequestHandler):
        def handle(self):
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            out = self.wfile
            out.write(b"+OK ready\r\n")
            for raw in self.rfile:
                words = raw.decode("ascii", "replace").split()
                verb = words[0].upper() if words else ""
                if verb == "STAT":
                    out.write(b"+OK %d %d\r\n" % (len(sizes), sum(sizes)))
                elif verb == "LIST" and len(words) > 1:
                    n = int(words[1])
                    out.write(b"+OK %d %d\r\n" % (n, sizes[n - 1]))
                elif verb == "TOP" and len(words) > 1:
                    out.write(b"+OK\r\n" + headers[int(words[1]) - 1] + b".\r\n")
                elif verb == "CAPA":
                    out.write(b"+OK\r\nPIPELINING\r\n.\r\n")
                elif verb == "QUIT":
                    out.write(b"+OK bye\r\n")
                    return
                else:
                    out.write(b"+OK\r\n")

    class Server(socketserver.ThreadingTCPServer):
        daemon_threads = True
        allow_reuse_address = True

    plain = Server(("127.0.0.1", port), Session)
    secure = Server(("127.0.0.1", tls_port), Session)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    print("block server on 127.0.0.1:%d (TLS :%d)" % (port, tls_port), flush=True)
    plain.serve_forever()


def main():
    if sys.argv[1] == "--write":
        for n, mb in enumerate(SIZES_MB, 1):
            with open("%s/%d.eml" % (sys.argv[2], n), "wb") as f:
                f.write(message(mb)[1])
    else:
        serve(int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4])


if __name__ == "__main__":
    main()
