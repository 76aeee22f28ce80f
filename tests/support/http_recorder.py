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
  {"cmd": "quit"}                             stop; so does the end of input,
                                              and so does --lifetime

Each response is planned by Responder.plan() and sent by Responder.send():
serving files from a directory, stopping part way through a body or
speaking HTTPS are meant to be added there and in main().
"""

import argparse
import http.server
import json
import os
import sys
import threading
import urllib.parse


class Plan:
    """What one response does."""

    def __init__(self, status, body=b""):
        self.status = status
        self.body = body


class Responder:
    """Shared state of the server: the status queue and the output stream."""

    def __init__(self, out):
        self.lock = threading.Lock()
        self.out = out
        self.codes = []
        self.default = 200

    def emit(self, record):
        with self.lock:
            self.out.write(json.dumps(record) + "\n")
            self.out.flush()

    def plan(self, handler):
        with self.lock:
            status = self.codes.pop(0) if self.codes else self.default
        return Plan(status, b"recorded\n")

    def send(self, handler, plan):
        handler.send_response(plan.status)
        handler.send_header("Content-Type", "text/plain")
        handler.send_header("Content-Length", str(len(plan.body)))
        handler.end_headers()
        if handler.command != "HEAD":
            handler.wfile.write(plan.body)

    def command(self, cmd):
        with self.lock:
            if cmd.get("cmd") == "status":
                self.codes.extend(int(c) for c in cmd.get("codes", []))
            elif cmd.get("cmd") == "default":
                self.default = int(cmd["code"])


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
    args = parser.parse_args()

    responder = Responder(sys.stdout)
    Handler.responder = responder
    server = http.server.ThreadingHTTPServer((args.host, args.port), Handler)
    server.daemon_threads = True
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
