#!/usr/bin/python3
"""Scripted peers for what real servers will not do: an HTTP server whose
answers are chosen by path, an FTP server whose behaviour is chosen by the
login name, SOCKS servers (one that resolves every name to loopback, and
misbehaving ones), and TLS servers that misbehave, cut records into pieces,
note whether the client ended with close_notify, or ask to renegotiate.
Listens on 127.0.0.1 (one FTP mode also briefly on 127.0.0.2); ends on
SIGTERM.

    scripted_server.py WWW_ROOT name=port ... [tls_target=PORT tls_certs=DIR]

Names: http, ftp, socks, socks_reject, socks_garbage, socks_short, socks_silent,
tls_garbage, tls_stall, tls_pieces (relays to the TLS server on tls_target),
tls_close and tls_renegotiate (with the certificates in tls_certs).
"""

import functools
import os
import random
import select
import signal
import socket
import ssl
import sys
import threading
import time

HOST = "127.0.0.1"
FOREIGN_HOST = "127.0.0.2"  # where a hostile passive reply points
PATTERN_SIZE = 1000
LARGE_SIZE = 1048576  # large enough to be split into several portions
IDLE_LIMIT = 120  # seconds a silent peer waits before it gives up by itself
MDTM_TIME = "20240102030405"
PROXY_TARGET = "origin.invalid"

WWW = ""
PORTS = {}
OPTIONS = {}
TLS_CLOSES = {}  # request path -> how the client ended its TLS session
TLS_CLOSES_LOCK = threading.Lock()
RENEGOTIATE_SIZE = 200000
RENEGOTIATE_AFTER = 50000
CUTS = random.Random(9)
CUTS_LOCK = threading.Lock()


@functools.lru_cache(maxsize=8)
def pattern(size, seed=7):
    return bytes((i * seed + 3) & 0xFF for i in range(size))


def send_pieces(conn, data, piece=5, pause=0.003):
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    for start in range(0, len(data), piece):
        conn.sendall(data[start:start + piece])
        time.sleep(pause)


def wait_for_close(conn, limit=IDLE_LIMIT):
    """Holds a connection open without answering until the peer leaves."""
    deadline = time.time() + limit
    conn.setblocking(False)
    while time.time() < deadline:
        ready, _, _ = select.select([conn], [], [], 0.5)
        if ready:
            try:
                if not conn.recv(4096):
                    return
            except OSError:
                return


# ---------------------------------------------------------------- HTTP

def read_head(conn, pending):
    while b"\r\n\r\n" not in pending:
        chunk = conn.recv(4096)
        if not chunk:
            return None, b""
        pending += chunk
        if len(pending) > 65536:
            return None, b""
    end = pending.index(b"\r\n\r\n") + 4
    return pending[:end], pending[end:]


def parse_request(head):
    lines = head.decode("latin-1").split("\r\n")
    parts = lines[0].split(" ")
    target = parts[1] if len(parts) > 1 else "/"
    if target.startswith("http://"):  # absolute form, as sent to a proxy
        slash = target.find("/", 7)
        target = target[slash:] if slash >= 0 else "/"
    headers = {}
    for line in lines[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            headers.setdefault(name.strip().lower(), value.strip())
    return target, headers


def range_start(headers):
    value = headers.get("range", "")
    if value.startswith("bytes=") and value.endswith("-"):
        try:
            return int(value[6:-1])
        except ValueError:
            return 0
    return 0


def answer(status, reason, body=b"", extra=(), length=True):
    head = "HTTP/1.1 %d %s\r\n" % (status, reason)
    for line in extra:
        head += line + "\r\n"
    if length:
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def cut_after(response, body_size, keep):
    """The response with only the first `keep` bytes of its body."""
    return response[:len(response) - body_size + keep]


def ranged(data, headers, extra=()):
    start = range_start(headers)
    if start >= len(data):
        return answer(416, "Range Not Satisfiable")
    return answer(206, "Partial Content", data[start:],
                  ("Content-Range: bytes %d-%d/%d" % (start, len(data) - 1, len(data)),)
                  + tuple(extra))


def http_session(conn):
    pending = b""
    while True:
        head, pending = read_head(conn, pending)
        if head is None:
            return
        path, headers = parse_request(head)
        if not http_reply(conn, path, headers, head):
            return


def http_reply(conn, path, headers, head):
    """Answers one request; False when the connection must end."""
    body = pattern(PATTERN_SIZE)
    if path == "/echo":
        conn.sendall(answer(200, "OK", head))
    elif path.startswith("/tls-close/"):
        with TLS_CLOSES_LOCK:
            ended = TLS_CLOSES.get(path[len("/tls-close"):])
        if ended is None:
            conn.sendall(answer(404, "Not Yet"))
        else:
            conn.sendall(answer(200, "OK", ended.encode()))
    elif path == "/split-head":
        send_pieces(conn, ranged(body, headers, ("X-Padding: " + "p" * 300,)))
    elif path == "/big-head":
        filler = tuple("X-Filler-%03d: %s" % (i, "f" * 90) for i in range(95))
        conn.sendall(answer(200, "OK", body, filler))
    elif path == "/head-at-limit":
        # The head, with its empty line, is exactly as long as a client must accept.
        prefix = ("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-999/1000\r\n"
                  "Content-Length: 1000\r\nX-Fill: ")
        fill = 8192 - len(prefix) - 4
        conn.sendall((prefix + "f" * fill + "\r\n\r\n").encode("latin-1") + body)
    elif path == "/continue":
        conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n" + ranged(body, headers))
    elif path == "/continue-split":
        conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
        time.sleep(0.05)
        conn.sendall(b"HTTP/1.1 102 Processing\r\nX-Step: 2\r\n\r\n")
        time.sleep(0.05)
        conn.sendall(ranged(body, headers))
    elif path == "/interim-flood":
        conn.sendall(b"HTTP/1.1 102 Processing\r\n\r\n" * 40 + ranged(body, headers))
    elif path == "/no-length":
        conn.sendall(answer(200, "OK", body, ("Connection: close",), length=False))
        return False
    elif path == "/close-mid":
        data = pattern(100000, 13)
        start = range_start(headers)
        if start == 0:
            whole = ranged(data, headers)
            conn.sendall(whole[:len(whole) - len(data) // 2])
            return False
        conn.sendall(ranged(data, headers))
    elif path == "/close-twice":
        # Ends early twice in a row before it serves the rest, so that a
        # reader gives up on the attempt and must resume in the next one.
        data = pattern(200000, 17)
        start = range_start(headers)
        if start < 120000:
            stop = 80000 if start < 80000 else 120000
            conn.sendall(cut_after(ranged(data, headers), len(data) - start, stop - start))
            return False
        conn.sendall(ranged(data, headers))
    elif path.startswith("/cut-random"):
        # Honours every range, but ends about one answer in three early at
        # a random point of its body: a flaky mirror. The query only makes
        # URLs (and so resume files) differ.
        data = pattern(LARGE_SIZE, 11)
        start = range_start(headers)
        whole = ranged(data, headers)
        size = len(data) - start
        with CUTS_LOCK:
            keep = CUTS.randrange(size) if size > 0 and CUTS.random() < 1 / 3 else None
        if keep is None:
            conn.sendall(whole)
        else:
            conn.sendall(cut_after(whole, size, keep))
            return False
    elif path == "/zero-only":
        # Honours a range from 0 only; any other range gets the whole file.
        data = pattern(LARGE_SIZE, 11)
        if range_start(headers) == 0:
            conn.sendall(ranged(data, headers))
        else:
            conn.sendall(answer(200, "OK", data))
    elif path == "/drifting":
        # Every range is honoured, but a range from 0 reports another file
        # version than any other range.
        data = pattern(LARGE_SIZE, 11)
        day = "Sun, 06" if range_start(headers) == 0 else "Mon, 07"
        conn.sendall(ranged(data, headers,
                            ("Last-Modified: %s Nov 1994 08:49:37 GMT" % day,)))
    elif path == "/redirect-later":
        # Serves a range from 0 and redirects any other range.
        if range_start(headers) == 0:
            conn.sendall(ranged(pattern(LARGE_SIZE, 11), headers))
        else:
            conn.sendall(answer(302, "Found", b"", ("Location: zero-only",)))
    elif path == "/relative-loop":
        conn.sendall(answer(302, "Found", b"", ("Location: relative-loop",)))
    elif path == "/silent":
        wait_for_close(conn)
        return False
    elif path == "/silent-body":
        conn.sendall(answer(200, "OK", body)[:-990])
        wait_for_close(conn)
        return False
    elif path == "/chunked":
        conn.sendall(answer(200, "OK", b"a\r\n0123456789\r\n0\r\n\r\n",
                            ("Transfer-Encoding: chunked",), length=False))
    elif path == "/proxy-both":
        auth = headers.get("proxy-authorization", "")
        if auth.lower().startswith("basic "):
            conn.sendall(answer(200, "OK", head))
        else:
            conn.sendall(answer(407, "Proxy Authentication Required", b"denied",
                                ('Proxy-Authenticate: NTLM, Basic realm="zg"',)))
    elif path == "/digest":
        conn.sendall(answer(401, "Unauthorized", b"no",
                            ('WWW-Authenticate: Digest realm="zg", nonce="abc"',)))
    elif path == "/always-401":
        conn.sendall(answer(401, "Unauthorized", b"no", ('WWW-Authenticate: Basic realm="zg"',)))
    elif path == "/content-location":
        conn.sendall(answer(302, "Found", b"", (
            "Content-Location: http://%s:%d/wrong" % (HOST, PORTS["http"]),
            "Location: http://%s:%d/echo" % (HOST, PORTS["http"]))))
    elif path == "/redirect-loop":
        conn.sendall(answer(302, "Found", b"",
                            ("Location: http://%s:%d/redirect-loop" % (HOST, PORTS["http"]),)))
    elif path == "/wrong-range":
        conn.sendall(answer(206, "Partial Content", body,
                            ("Content-Range: bytes 0-999/1000",)))
    elif path == "/garbage":
        conn.sendall(b"SSH-2.0-Server\r\n\r\n")
        return False
    elif path == "/status-zero":
        conn.sendall(b"HTTP/1.1 0 Nothing\r\nContent-Length: 0\r\n\r\n")
    elif path == "/ranges-ignored":
        conn.sendall(answer(200, "OK", body, ("Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT",)))
    else:
        conn.sendall(answer(404, "Not Found", b"missing"))
    return True


# ---------------------------------------------------------------- FTP

class FtpSession:
    def __init__(self, conn):
        self.conn = conn
        self.mode = "anonymous"
        self.passive = None
        self.foreign = None
        self.offset = 0
        self.pending = b""

    def reply(self, code, text):
        if self.mode == "multiline":
            data = ("%d-First line of %d\r\n more text\r\n%d %s\r\n" % (code, code, code, text))
            send_pieces(self.conn, data.encode("latin-1"), piece=4, pause=0.002)
        else:
            self.conn.sendall(("%d %s\r\n" % (code, text)).encode("latin-1"))

    def line(self):
        while b"\r\n" not in self.pending:
            chunk = self.conn.recv(4096)
            if not chunk:
                return None
            self.pending += chunk
        text, self.pending = self.pending.split(b"\r\n", 1)
        return text.decode("latin-1")

    def file(self, path):
        name = os.path.basename(path)
        full = os.path.join(WWW, "files", name)
        return full if name and os.path.isfile(full) else None

    def run(self):
        self.reply(220, "scripted FTP ready")
        while True:
            line = self.line()
            if line is None:
                return
            verb, _, arg = line.partition(" ")
            verb = verb.upper()
            if not self.command(verb, arg):
                return

    def command(self, verb, arg):
        if verb == "USER":
            name, at, host = arg.partition("@")
            if at and host != PROXY_TARGET:
                self.reply(530, "unknown target")
                return True
            self.mode = name or "anonymous"
            if self.mode == "nopass":
                self.reply(230, "logged in without a password")
            else:
                self.reply(331, "password please")
        elif verb == "PASS":
            self.reply(230, "logged in")
        elif verb == "TYPE":
            self.reply(200, "type set")
        elif verb == "SIZE":
            path = self.file(arg)
            if path:
                self.reply(213, str(os.path.getsize(path)))
            else:
                self.reply(550, "no such file")
        elif verb == "MDTM":
            if self.mode == "nomdtm":
                self.reply(502, "command not implemented")
            else:
                self.reply(213, MDTM_TIME)
        elif verb == "PASV":
            self.open_passive()
        elif verb == "REST":
            if self.mode == "norest":
                self.reply(502, "REST not implemented")
            else:
                self.offset = int(arg)
                self.reply(350, "restarting at %d" % self.offset)
        elif verb == "RETR":
            self.retrieve(arg)
        elif verb == "QUIT":
            self.reply(221, "bye")
            return False
        else:
            self.reply(500, "unknown command")
        return True

    def open_passive(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind((HOST, 0))
        listener.listen(1)
        listener.settimeout(10)
        self.passive = listener
        port = listener.getsockname()[1]
        numbers = "127,0,0,1,%d,%d" % (port // 256, port % 256)
        if self.mode == "foreign":
            # Names another host, which also listens on the port: a client
            # that follows the reply's address is caught there.
            self.foreign = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            self.foreign.bind((FOREIGN_HOST, port))
            self.foreign.listen(1)
            self.reply(227, "Entering Passive Mode (127,0,0,2,%d,%d)" % (port // 256, port % 256))
        elif self.mode == "badpasv":
            self.reply(227, "Entering Passive Mode (127,0,0)")
        elif self.mode == "pasv200":
            self.reply(200, "Passive (%s)" % numbers)
        else:
            self.reply(227, "Entering Passive Mode (%s)" % numbers)

    def retrieve(self, arg):
        path = self.file(arg)
        if not path or not self.passive:
            self.reply(550, "cannot send")
            return
        if self.foreign is not None:
            ready, _, _ = select.select([self.passive, self.foreign], [], [], 10)
            foreign, self.foreign = self.foreign, None
            with foreign:
                if foreign in ready:
                    foreign.accept()[0].close()
                    self.reply(425, "data connection came to the wrong host")
                    return
        try:
            data_conn, _ = self.passive.accept()
        except OSError:
            self.reply(425, "no data connection")
            return
        self.reply(150, "sending")
        with open(path, "rb") as source:
            source.seek(self.offset)
            try:
                while True:
                    block = source.read(65536)
                    if not block:
                        break
                    data_conn.sendall(block)
            except OSError:
                pass
        data_conn.close()
        self.passive.close()
        self.passive = None
        self.reply(226, "done")


# ---------------------------------------------------------------- SOCKS

def recv_exact(conn, size):
    data = b""
    while len(data) < size:
        chunk = conn.recv(size - len(data))
        if not chunk:
            raise OSError("closed")
        data += chunk
    return data


def recv_until_zero(conn):
    data = b""
    while True:
        byte = recv_exact(conn, 1)
        if byte == b"\0":
            return data
        data += byte


def relay(a, b):
    sockets = [a, b]
    while True:
        ready, _, _ = select.select(sockets, [], [], IDLE_LIMIT)
        if not ready:
            return
        for s in ready:
            try:
                data = s.recv(65536)
            except OSError:
                return
            if not data:
                return
            (b if s is a else a).sendall(data)


def socks_good(conn):
    """Every name resolves to loopback here, so names the client cannot
    resolve still lead to the test servers."""
    version = recv_exact(conn, 1)[0]
    if version == 4:
        command, port_hi, port_lo = recv_exact(conn, 3)
        address = recv_exact(conn, 4)
        recv_until_zero(conn)  # user id
        if address[:3] == b"\0\0\0" and address[3] != 0:
            recv_until_zero(conn)  # 4a: the name follows
        target = (HOST, port_hi * 256 + port_lo)
        upstream = socket.create_connection(target, timeout=5)
        conn.sendall(b"\x00\x5a" + bytes([port_hi, port_lo]) + b"\x7f\x00\x00\x01")
    elif version == 5:
        count = recv_exact(conn, 1)[0]
        recv_exact(conn, count)
        conn.sendall(b"\x05\x00")
        head = recv_exact(conn, 4)
        if head[3] == 1:
            recv_exact(conn, 4)
        elif head[3] == 3:
            recv_exact(conn, recv_exact(conn, 1)[0])
        else:
            return
        port = int.from_bytes(recv_exact(conn, 2), "big")
        upstream = socket.create_connection((HOST, port), timeout=5)
        # Reply with a name-form bound address to exercise variable lengths.
        bound = b"loopback"
        conn.sendall(b"\x05\x00\x00\x03" + bytes([len(bound)]) + bound + port.to_bytes(2, "big"))
    else:
        return
    upstream.settimeout(None)
    with upstream:
        relay(conn, upstream)


def socks_reject(conn):
    version = recv_exact(conn, 1)[0]
    if version == 4:
        conn.sendall(b"\x00\x5b\x00\x00\x00\x00\x00\x00")
    else:
        conn.sendall(b"\x05\xff")
    wait_for_close(conn, 10)


def socks_garbage(conn):
    conn.recv(512)
    conn.sendall(b"HTTP/1.1 400 Bad Request\r\n\r\n")


def socks_short(conn):
    version = recv_exact(conn, 1)[0]
    conn.sendall(b"\x00\x5a" if version == 4 else b"\x05")
    wait_for_close(conn)


def socks_silent(conn):
    wait_for_close(conn)


# ---------------------------------------------------------------- TLS

def tls_garbage(conn):
    """Answers a client hello in plain HTTP, as a server on the wrong port."""
    conn.recv(4096)
    conn.sendall(b"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n")
    wait_for_close(conn, 10)


def tls_stall(conn):
    """Starts a server hello and never finishes it."""
    conn.recv(4096)
    conn.sendall(b"\x16\x03\x03\x00\x5a\x02\x00\x00")
    wait_for_close(conn)


def forward_in_pieces(source, target, rng):
    """Copies one direction in random pieces, many of them shorter than a
    record header, so records and heads arrive cut anywhere."""
    while True:
        data = source.recv(65536)
        if not data:
            target.shutdown(socket.SHUT_WR)
            return
        pos = 0
        while pos < len(data):
            size = rng.randint(1, 4) if rng.random() < 0.3 else rng.randint(5, 1500)
            target.sendall(data[pos:pos + size])
            pos += size
            time.sleep(0.0005)


def tls_pieces(conn):
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    upstream = socket.create_connection((HOST, int(OPTIONS["tls_target"])), timeout=IDLE_LIMIT)
    upstream.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    with CUTS_LOCK:
        seed = CUTS.random()
    with upstream:
        up = threading.Thread(target=forward_in_pieces,
                              args=(conn, upstream, random.Random(seed)), daemon=True)
        up.start()
        try:
            forward_in_pieces(upstream, conn, random.Random(seed + 1))
        except OSError:
            pass
        up.join(IDLE_LIMIT)


def tls_context():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    certs = OPTIONS["tls_certs"]
    context.load_cert_chain(os.path.join(certs, "good.crt"), os.path.join(certs, "good.key"))
    # A connection that ends without close_notify must show as such.
    context.options &= ~getattr(ssl, "OP_IGNORE_UNEXPECTED_EOF", 0)
    return context


def tls_close(conn):
    """Serves 1000 bytes for any path, then notes whether the client ended
    the session with close_notify; /tls-close/PATH on the HTTP peer tells."""
    conn.settimeout(IDLE_LIMIT)
    secure = tls_context().wrap_socket(conn, server_side=True)
    head, _ = read_head(secure, b"")
    if head is None:
        return
    path, _ = parse_request(head)
    secure.sendall(answer(200, "OK", pattern(PATTERN_SIZE)))
    try:
        secure.unwrap()
        ended = "close_notify"
    except (OSError, ssl.SSLError) as error:
        ended = "no close_notify (%s)" % type(error).__name__
    with TLS_CLOSES_LOCK:
        TLS_CLOSES[path] = ended


def tls_renegotiate(conn):
    """TLS 1.2: sends part of a body, asks to renegotiate, sends the rest."""
    from OpenSSL import SSL  # only this peer needs it
    context = SSL.Context(SSL.TLS_SERVER_METHOD)
    context.set_max_proto_version(SSL.TLS1_2_VERSION)
    certs = OPTIONS["tls_certs"]
    context.use_certificate_file(os.path.join(certs, "good.crt"))
    context.use_privatekey_file(os.path.join(certs, "good.key"))
    conn.settimeout(None)  # pyOpenSSL wants a blocking socket
    secure = SSL.Connection(context, conn)
    secure.set_accept_state()
    try:
        secure.do_handshake()
        request = b""
        while b"\r\n\r\n" not in request:
            request += secure.recv(4096)
        body = pattern(RENEGOTIATE_SIZE)
        head = answer(200, "OK", body)[:-len(body)]
        secure.sendall(head + body[:RENEGOTIATE_AFTER])
        secure.renegotiate()
        secure.do_handshake()
        secure.sendall(body[RENEGOTIATE_AFTER:])
        while secure.recv(4096):
            pass
    except (OSError, SSL.Error):
        pass


HANDLERS = {
    "http": http_session,
    "ftp": lambda conn: FtpSession(conn).run(),
    "socks": socks_good,
    "socks_reject": socks_reject,
    "socks_garbage": socks_garbage,
    "socks_short": socks_short,
    "socks_silent": socks_silent,
    "tls_garbage": tls_garbage,
    "tls_stall": tls_stall,
    "tls_pieces": tls_pieces,
    "tls_close": tls_close,
    "tls_renegotiate": tls_renegotiate,
}


def serve(listener, handler):
    while True:
        conn, _ = listener.accept()

        def run(c=conn):
            try:
                with c:
                    handler(c)
            except OSError:
                pass

        threading.Thread(target=run, daemon=True).start()


def main():
    global WWW
    WWW = sys.argv[1]
    listeners = []
    for spec in sys.argv[2:]:
        name, port = spec.split("=", 1)
        if name in ("tls_target", "tls_certs"):
            OPTIONS[name] = port
            continue
        if name not in HANDLERS:
            raise SystemExit("unknown listener " + name)
        PORTS[name] = int(port)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((HOST, int(port)))
        listener.listen(64)
        listeners.append((listener, HANDLERS[name]))
    for listener, handler in listeners:
        threading.Thread(target=serve, args=(listener, handler), daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
