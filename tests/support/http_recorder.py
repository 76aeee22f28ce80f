#!/usr/bin/env python3
"""HTTP server for tests: records every request and answers each one as the
test asks.

A test starts it on a free loopback port and talks to it in JSON lines.

Standard output, one object per line:
  {"event": "listening", "port": N}           once, when it accepts connections
  {"event": "request", "method": ..., "path": ..., "decoded_path": ...,
   "version": ..., "headers": [[name, value], ...], "status": code}
                                              one per request, written (and
                                              flushed) before the response
  {"event": "ack", "cmd": name}               after each command

Standard input, one command per line:
  {"cmd": "status", "codes": [500, 500]}      answer the next requests with
                                              these codes, in order
  {"cmd": "default", "code": 200}             the code once that queue is empty
  {"cmd": "cut", "after": N}                  the next file sent stops after N
                                              bytes of its body and the
                                              connection is dropped
  {"cmd": "quit"}                             stop; so does the end of input,
                                              and so does --lifetime

Each response is planned by Responder.plan() and sent by Responder.send().
With --root, a 200 answer to a path that names a file below the root sends
that file (streamed, with its length); other answers carry a short text.
With --cert and --key the server speaks HTTPS.
"""

import argparse
import http.server
import json
import os
import ssl
import sys
import threading
import urllib.parse

CHUNK = 1 << 20


class Plan:
    """What one response does."""

    def __init__(self, status, body=b"", path=None, cut=None):
        self.status = status
        self.body = body
        self.path = path  # a file sent as the body
        self.cut = cut    # body bytes sent before the connection drops


class Responder:
    """Shared state of the server: the status queue and the output stream."""

    def __init__(self, out, root=None):
        self.lock = threading.Lock()
        self.out = out
        self.root = os.path.realpath(root) if root else None
        self.codes = []
        self.default = 200
        self.cut = None

    def emit(self, record):
        with self.lock:
            self.out.write(json.dumps(record) + "\n")
            self.out.flush()

    def file_of(self, handler):
        if not self.root:
            return None
        rel = urllib.parse.unquote(urllib.parse.urlsplit(handler.path).path).lstrip("/")
        path = os.path.realpath(os.path.join(self.root, rel))
        if not path.startswith(self.root + os.sep) or not os.path.isfile(path):
            return None
        return path

    def plan(self, handler):
        path = self.file_of(handler)
        with self.lock:
            status = self.codes.pop(0) if self.codes else self.default
            cut = None
            if status == 200 and path:
                cut, self.cut = self.cut, None
        if status == 200 and path:
            return Plan(status, path=path, cut=cut)
        return Plan(status, b"recorded\n")

    def send(self, handler, plan):
        handler.send_response(plan.status)
        handler.send_header("Content-Type", "application/octet-stream" if plan.path else "text/plain")
        length = os.path.getsize(plan.path) if plan.path else len(plan.body)
        handler.send_header("Content-Length", str(length))
        handler.end_headers()
        if handler.command == "HEAD":
            return
        if not plan.path:
            handler.wfile.write(plan.body)
            return
        left = length if plan.cut is None else min(length, plan.cut)
        with open(plan.path, "rb") as f:
            while left > 0:
                chunk = f.read(min(CHUNK, left))
                if not chunk:
                    break
                handler.wfile.write(chunk)
                left -= len(chunk)
        if plan.cut is not None:
            handler.wfile.flush()
            handler.close_connection = True

    def command(self, cmd):
        with self.lock:
            if cmd.get("cmd") == "status":
                self.codes.extend(int(c) for c in cmd.get("codes", []))
            elif cmd.get("cmd") == "default":
                self.default = int(cmd["code"])
            elif cmd.get("cmd") == "cut":
                self.cut = int(cmd["after"])


class Handler(http.server.BaseHTTPRequestHandler):
    responder = None  # set by main()

    def handle_any(self):
        plan = self.responder.plan(self)
        self.responder.emit({
            "event": "request",
            "method": self.command,
            "path": self.path,
            "decoded_path": urllib.parse.unquote(self.path),
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
            "status": plan.status,
        })
        self.responder.send(self, plan)

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = handle_any

    def log_message(self, format, *args):  # the records are the log
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0, help="0: a free port")
    parser.add_argument("--lifetime", type=float, default=900,
                        help="seconds after which the server stops by itself")
    parser.add_argument("--root", help="serve the files below this directory")
    parser.add_argument("--cert", help="certificate chain (PEM): speak HTTPS")
    parser.add_argument("--key", help="the certificate's private key (PEM)")
    args = parser.parse_args()

    responder = Responder(sys.stdout, args.root)
    Handler.responder = responder
    server = http.server.ThreadingHTTPServer((args.host, args.port), Handler)
    server.daemon_threads = True
    # A client that hangs up or refuses the certificate is no error of the
    # server's.
    server.handle_error = lambda request, client_address: None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        # The handshake runs in the request's thread, so that a client that
        # refuses the certificate holds up no one else.
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True).start()
    stop = threading.Timer(args.lifetime, lambda: os._exit(0))
    stop.daemon = True
    stop.start()
    responder.emit({"event": "listening", "port": server.server_address[1]})

    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        cmd = json.loads(line)
        if cmd.get("cmd") == "quit":
            break
        responder.command(cmd)
        responder.emit({"event": "ack", "cmd": cmd.get("cmd")})
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
