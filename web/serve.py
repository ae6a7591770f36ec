#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Serves the browser build like any static host, plus the headers that make the page
# cross-origin isolated, so that the engine's worker can read "stop" during a search.
# usage: serve.py DIRECTORY PORT BIND
import functools
import http.server
import sys

ISOLATION = {
    "Cross-Origin-Opener-Policy": "same-origin",
    "Cross-Origin-Embedder-Policy": "require-corp",
    "Cross-Origin-Resource-Policy": "same-origin",
}


class IsolatedHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".js": "text/javascript", ".wasm": "application/wasm",
                      ".webmanifest": "application/manifest+json"}

    def end_headers(self):
        for name, value in ISOLATION.items():
            self.send_header(name, value)
        super().end_headers()


def main():
    if len(sys.argv) != 4 or not sys.argv[2].isdigit():
        print("usage: serve.py DIRECTORY PORT BIND", file=sys.stderr)
        sys.exit(2)
    directory, port, bind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    handler = functools.partial(IsolatedHandler, directory=directory)
    with http.server.ThreadingHTTPServer((bind, port), handler) as server:
        print(f"serving {directory} on http://{bind}:{server.server_address[1]}/", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
