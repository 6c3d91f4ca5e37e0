#!/usr/bin/env python3
"""The reference client of pop3_bench --blocks: reads the header block (TOP n 0)
of every message with Python's poplib, a few rounds each, and prints for each
"block <n> <bytes read> <median ms> <MB/s> <median CPU ms>".
    poplib_reference.py [--ssl] port user password"""
import poplib
import ssl
import sys
import time

ROUNDS = 5


def connect(use_ssl, port, user, password):
    if use_ssl:
        context = ssl.create_default_context()
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
        client = poplib.POP3_SSL("127.0.0.1", port, context=context, timeout=60)
    else:
        client = poplib.POP3("127.0.0.1", port, timeout=60)
    client.user(user)
    client.pass_(password)
    return client


def main():
    args = sys.argv[1:]
    use_ssl = bool(args) and args[0] == "--ssl"
    if use_ssl:
        args = args[1:]
    port, user, password = int(args[0]), args[1], args[2]
    probe = connect(use_ssl, port, user, password)
    count = probe.stat()[0]
    probe.quit()
    for n in range(1, count + 1):
        times, cpu = [], []
        size = 0
        for _ in range(ROUNDS):
            client = connect(use_ssl, port, user, password)
            start, start_cpu = time.perf_counter(), time.thread_time()
            status, lines, _ = client.top(n, 0)
            times.append((time.perf_counter() - start) * 1000)
            cpu.append((time.thread_time() - start_cpu) * 1000)
            # Status line, each line with its CR LF, and the closing ".".
            size = len(status) + 2 + sum(len(line) + 2 for line in lines) + 3
            client.quit()
        median = sorted(times)[len(times) // 2]
        print("block %d %d %.1f %.1f %.1f" % (n, size, median, size / 1000.0 / median,
                                             sorted(cpu)[len(cpu) // 2]), flush=True)


if __name__ == "__main__":
    main()
