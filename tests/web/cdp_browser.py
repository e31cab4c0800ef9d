# SPDX-License-Identifier: MIT
"""Headless Chromium driven through its DevTools protocol over a pipe (--remote-debugging-pipe:
the browser reads commands from its descriptor 3 and writes answers and events to its
descriptor 4, each a JSON text ended by a NUL byte), so the tests need no WebSocket client and
no browser but Debian's own.
"""

import base64
import fcntl
import json
import os
import queue
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM = os.environ.get("BRAMSOLIKET_CHROMIUM", "/usr/bin/chromium")

# Headless, no sandbox (the tests may run as root), and none of the browser's own network
# traffic, which this machine's closed network would refuse anyway.
FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-extensions",
    "--disable-default-apps",
    "--mute-audio",
    "--autoplay-policy=no-user-gesture-required",
    "--remote-debugging-pipe",
]


class ProtocolError(Exception):
    pass


def _moved_above(descriptor, lowest):
    moved = fcntl.fcntl(descriptor, fcntl.F_DUPFD_CLOEXEC, lowest + 1)
    os.close(descriptor)
    return moved


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="bramsoliket-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()
        # The shell puts the browser's pipe ends at 3 and 4; they are moved above those
        # first, so that moving one never closes the other.
        to_browser_read = _moved_above(to_browser_read, 9)
        from_browser_write = _moved_above(from_browser_write, 9)
        script = f'exec "$0" "$@" 3<&{to_browser_read} 4>&{from_browser_write} {to_browser_read}<&- {from_browser_write}>&-'
        self.process = subprocess.Popen(
            ["bash", "-c", script, CHROMIUM, *FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
            pass_fds=(to_browser_read, from_browser_write),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.profile, "chromium.log"), "wb"),
        )
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._next_id = 1
        self._answers = {}
        self._answered = threading.Condition()
        self.events = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        pending = b""
        while True:
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                break
            pending += chunk
            while b"\0" in pending:
                message, pending = pending.split(b"\0", 1)
                data = json.loads(message)
                if "id" in data:
                    with self._answered:
                        self._answers[data["id"]] = data
                        self._answered.notify_all()
                else:
                    self.events.put(data)
        with self._answered:
            self._answers[None] = {"error": {"message": "the browser closed its pipe"}}
            self._answered.notify_all()

    def send(self, method, params=None, session=None, timeout=60):
        message_id = self._next_id
        self._next_id += 1
        message = {"id": message_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._answered:
            while message_id not in self._answers and None not in self._answers:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise ProtocolError(f"{method}: no answer in {timeout} s")
                self._answered.wait(left)
            answer = self._answers.pop(message_id, None) or self._answers[None]
        if "error" in answer:
            raise ProtocolError(f"{method}: {answer['error'].get('message')}")
        return answer.get("result", {})

    def new_page(self, width=1200, height=900):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, session, target)
        page.send("Page.enable")
        page.send("Runtime.enable")
        page.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        return page

    def wait_for_event(self, method, predicate=lambda params: True, timeout=30):
        deadline = time.monotonic() + timeout
        kept = []
        try:
            while True:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise ProtocolError(f"no {method} event in {timeout} s")
                try:
                    event = self.events.get(timeout=left)
                except queue.Empty:
                    continue
                if event.get("method") == method and predicate(event.get("params", {})):
                    return event["params"]
                kept.append(event)
        finally:
            for event in kept:
                self.events.put(event)

    def close(self):
        try:
            self.send("Browser.close", timeout=10)
        except ProtocolError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    def __init__(self, browser, session, target):
        self.browser = browser
        self.session = session
        self.target = target

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression (awaited if it is a promise)."""
        result = self.send("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True}, timeout)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise ProtocolError(f"{expression}: {text}")
        return result["result"].get("value")

    def wait_until(self, expression, timeout=60, interval=0.05):
        """Polls until the expression is truthy; returns its value."""
        deadline = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise ProtocolError(f"still false after {timeout} s: {expression}")
            time.sleep(interval)

    def open(self, url, before_scripts=()):
        for source in before_scripts:
            self.send("Page.addScriptToEvaluateOnNewDocument", {"source": source})
        self.send("Page.navigate", {"url": url})
        self.wait_until("document.readyState === 'complete'")

    def set_file(self, selector, path):
        root = self.send("DOM.getDocument")["root"]["nodeId"]
        node = self.send("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
        self.send("DOM.setFileInputFiles", {"files": [path], "nodeId": node})

    def press(self, key, code, key_code):
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", {"type": kind, "key": key, "code": code,
                                                 "windowsVirtualKeyCode": key_code})

    def screenshot(self, path):
        """A PNG of the whole page, at one pixel per CSS pixel."""
        height = self.evaluate("document.documentElement.scrollHeight")
        width = self.evaluate("document.documentElement.clientWidth")
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))

    def close(self):
        self.browser.send("Target.closeTarget", {"targetId": self.target})
