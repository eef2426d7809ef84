#!/usr/bin/python3
"""A small POP3 server for the mail benchmark that writes like many simple
servers do: every reply line goes out with its own send() call, and Nagle's
algorithm is left on (no TCP_NODELAY). Small writes then wait in the kernel
for the client's acknowledgement of the one before, which is what makes a
client that pipelines commands carelessly stall on delayed ACKs.

    nagle_server.py PORT_FILE [--messages N] [--size BYTES] [--connections K]
                    [--idle SECONDS]

It listens on 127.0.0.1 on a free port and writes the port into PORT_FILE.
It serves one client at a time, the account test / s3cret, with N messages of
about BYTES bytes each (the same shape as the benchmark's Dovecot mailbox),
and ends by itself after K connections or when no client came for SECONDS.
Commands: CAPA (with PIPELINING), USER, PASS, STAT, LIST [n], TOP n k, RETR n,
NOOP, QUIT. Deletions are not offered; the mailbox never changes.
"""

import argparse
import os
import socket
import sys

LINE = b"The quick brown fox jumps over the lazy dog, again and again and again."


def make_mailbox(count, size):
    body_lines = max(0, (size - 200) // (len(LINE) + 2))
    mailbox = []
    for i in range(1, count + 1):
        lines = [
            b"From: bench@example.jp",
            b"Subject: Message %d" % i,
            b"Message-ID: <%d@bench>" % i,
            b"",
        ] + [LINE] * body_lines
        mailbox.append(lines)
    return mailbox


def message_size(lines):
    return sum(len(line) + 2 for line in lines)


class Session:
    def __init__(self, conn, mailbox, sizes):
        self.conn = conn
        self.mailbox = mailbox
        self.sizes = sizes
        self.pending = b""
        self.user = None
        self.logged_in = False

    def line(self, text):
        # One send() per line, on purpose.
        self.conn.sendall(text + b"\r\n")

    def lines(self, lines):
        for text in lines:
            self.line(b"." + text if text.startswith(b".") else text)
        self.line(b".")

    def read_command(self):
        while b"\n" not in self.pending:
            data = self.conn.recv(65536)
            if not data:
                return None
            self.pending += data
            if len(self.pending) > 65536 and b"\n" not in self.pending:
                return None
        line, self.pending = self.pending.split(b"\n", 1)
        return line.rstrip(b"\r")

    def message(self, word):
        try:
            number = int(word)
        except ValueError:
            return None
        return number if 1 <= number <= len(self.mailbox) else None

    def run(self):
        # No APOP time stamp: curl would take it as an offer of APOP.
        self.line(b"+OK Nagle test server ready.")
        while True:
            command = self.read_command()
            if command is None:
                return
            words = command.split(b" ")
            verb = words[0].upper()
            args = words[1:]
            if verb == b"QUIT":
                self.line(b"+OK Logging out.")
                return
            if verb == b"CAPA":
                self.line(b"+OK Capability list follows")
                self.lines([b"TOP", b"USER", b"PIPELINING"])
            elif verb == b"NOOP":
                self.line(b"+OK")
            elif not self.logged_in:
                self.authorize(verb, args)
            else:
                self.transact(verb, args)

    def authorize(self, verb, args):
        if verb == b"USER" and args:
            self.user = args[0]
            self.line(b"+OK")
        elif verb == b"PASS" and self.user == b"test" and args == [b"s3cret"]:
            self.logged_in = True
            self.line(b"+OK Logged in.")
        elif verb == b"PASS":
            self.user = None
            self.line(b"-ERR [AUTH] Authentication failed.")
        else:
            self.line(b"-ERR Unknown command.")

    def transact(self, verb, args):
        if verb == b"STAT":
            self.line(b"+OK %d %d" % (len(self.mailbox), sum(self.sizes)))
            return
        if verb == b"LIST" and not args:
            self.line(b"+OK %d messages" % len(self.mailbox))
            self.lines([b"%d %d" % (n + 1, s) for n, s in enumerate(self.sizes)])
            return
        if verb not in (b"LIST", b"TOP", b"RETR"):
            self.line(b"-ERR Unknown command.")
            return
        number = self.message(args[0]) if args else None
        if number is None:
            self.line(b"-ERR There's no such message.")
            return
        lines = self.mailbox[number - 1]
        if verb == b"LIST":
            self.line(b"+OK %d %d" % (number, self.sizes[number - 1]))
        elif verb == b"RETR":
            self.line(b"+OK %d octets" % self.sizes[number - 1])
            self.lines(lines)
        else:
            try:
                body = int(args[1]) if len(args) > 1 else 0
            except ValueError:
                body = 0
            header_end = lines.index(b"") + 1
            self.line(b"+OK")
            self.lines(lines[: header_end + max(0, body)])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port_file")
    parser.add_argument("--messages", type=int, default=1000)
    parser.add_argument("--size", type=int, default=10240)
    parser.add_argument("--connections", type=int, default=100)
    parser.add_argument("--idle", type=float, default=60.0)
    options = parser.parse_args()

    mailbox = make_mailbox(options.messages, options.size)
    sizes = [message_size(lines) for lines in mailbox]
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    listener.settimeout(options.idle)
    port_file = options.port_file
    with open(port_file + ".tmp", "w") as out:
        out.write("%d\n" % listener.getsockname()[1])
    os.replace(port_file + ".tmp", port_file)

    for _ in range(options.connections):
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            break
        conn.settimeout(options.idle)
        try:
            Session(conn, mailbox, sizes).run()
        except (OSError, socket.timeout):
            pass
        finally:
            conn.close()
    listener.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
