# SPDX-License-Identifier: MIT
"""The web page as a user serves it, on 127.0.0.1 (a secure context, where AudioWorklet
exists): build/web at the root, and the tests' input files under /inputs/. A thread of the
test process, on a free port."""

import functools
import http.server
import os
import threading


class _Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, site, inputs, **kwargs):
        self._inputs = inputs
        super().__init__(*args, directory=site, **kwargs)

    def translate_path(self, path):
        route = path.split("?", 1)[0].split("#", 1)[0]
        if route.startswith("/inputs/"):
            name = os.path.basename(route[len("/inputs/"):])
            return os.path.join(self._inputs, name)
        return super().translate_path(path)

    def log_message(self, *args):
        pass


class SiteServer:
    def __init__(self, site, inputs):
        handler = functools.partial(_Handler, site=site, inputs=inputs)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    @property
    def url(self):
        return f"http://127.0.0.1:{self.server.server_address[1]}/"

    def close(self):
        self.server.shutdown()
        self.server.server_close()
