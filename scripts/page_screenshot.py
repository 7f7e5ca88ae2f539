#!/usr/bin/env python3
"""Photographs a live web page with headless Chromium once its first WebSocket
message has come in and been drawn.

    page_screenshot.py <url> <width>x<height> <picture.png>

Chromium's own --screenshot takes the picture as soon as the page has loaded,
which races the feed: the spectator page is empty until its first message.
So this drives the browser over its DevTools pipe instead (file descriptors 3
and 4, no extra packages) and waits for the message before the shot.
"""
import base64
import fcntl
import json
import os
import select
import subprocess
import sys
import tempfile
import time

TIMEOUT_S = 15


class Browser:
    def __init__(self, profile):
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()

        def give_pipe():
            # The browser reads commands on 3 and writes answers on 4. Both
            # ends move out of the way first, as either may already be 3 or 4.
            read_end = fcntl.fcntl(to_browser_read, fcntl.F_DUPFD, 10)
            write_end = fcntl.fcntl(from_browser_write, fcntl.F_DUPFD, 10)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
             "--remote-debugging-pipe", f"--user-data-dir={profile}", "about:blank"],
            preexec_fn=give_pipe, pass_fds=(3, 4),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self.buffer = b""
        self.events = []
        self.last_id = 0
        self.deadline = time.monotonic() + TIMEOUT_S

    def message(self):
        while b"\0" not in self.buffer:
            left = self.deadline - time.monotonic()
            if left <= 0 or not select.select([self.from_browser], [], [], left)[0]:
                raise TimeoutError("the browser did not answer in time")
            chunk = os.read(self.from_browser, 65536)
            if not chunk:
                raise EOFError("the browser went away")
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(text)

    def call(self, method, session=None, **params):
        self.last_id += 1
        command = {"id": self.last_id, "method": method, "params": params}
        if session:
            command["sessionId"] = session
        os.write(self.to_browser, json.dumps(command).encode() + b"\0")
        while True:
            answer = self.message()
            if answer.get("id") == self.last_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]
            self.events.append(answer)

    def wait_for_event(self, method):
        while True:
            event = self.events.pop(0) if self.events else self.message()
            if event.get("method") == method:
                return event

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def main():
    if len(sys.argv) != 4 or "x" not in sys.argv[2]:
        sys.exit("usage: page_screenshot.py <url> <width>x<height> <picture.png>")
    url, size, picture = sys.argv[1:]
    width, height = (int(part) for part in size.split("x"))
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile)
        try:
            target = browser.call("Target.createTarget", url="about:blank")["targetId"]
            session = browser.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
            # The window size the browser was started with is not the page's:
            # the viewport is set outright.
            browser.call("Emulation.setDeviceMetricsOverride", session,
                         width=width, height=height, deviceScaleFactor=1, mobile=False)
            browser.call("Network.enable", session)
            browser.call("Page.navigate", session, url=url)
            browser.wait_for_event("Network.webSocketFrameReceived")
            # Two frames later the page has drawn what the message said.
            browser.call("Runtime.evaluate", session, awaitPromise=True,
                         expression="new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))")
            shot = browser.call("Page.captureScreenshot", session, format="png")["data"]
        finally:
            browser.close()
    with open(picture, "wb") as file:
        file.write(base64.b64decode(shot))


if __name__ == "__main__":
    main()
