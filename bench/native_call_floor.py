#!/usr/bin/env python3
"""Chromium's own floor for a native call from page script, driven natively (no Wine).

The page's script makes the same synchronous POST to the same intercepted path as the program's
page bridge; this driver answers each paused request at once over the DevTools pipe. The page
times N calls with performance.now(), as in the engine's benchmark (the test server's /calls page),
and hands the times back through one more such request.

With --network the page's Network domain is on too, as the engine keeps it on for its loads (the
browser then also reports every request's events).

Prints "native-floor median-ms X p99-ms Y calls N".
Usage: native_call_floor.py [--network] BASE_URL [N]
"""
import base64
import json
import os
import subprocess
import sys
import tempfile

PREFIX = "/__tessel_bridge__/"
BRIDGE = """(function () {
  var XHR = XMLHttpRequest;
  function request(kind, body) {
    var x = new XHR();
    x.open('POST', '%s' + kind, false);
    x.send(body);
    return JSON.parse(x.responseText);
  }
  window.Nothing = function () { return request('call', JSON.stringify({name: 'Nothing', args: []})); };
  window.Report = function (text) {
    return request('call', JSON.stringify({name: 'Report', args: [{type: 'string', value: text}]}));
  };
})();""" % PREFIX


class Pipe:
    """The browser's DevTools pipe: NUL-ended JSON messages on fds 3 (in) and 4 (out)."""

    def __init__(self, base):
        to_browser, self.browser_in = os.pipe()
        self.browser_out, from_browser = os.pipe()
        self.profile = tempfile.mkdtemp()
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--user-data-dir=" + self.profile, "--remote-debugging-pipe", "about:blank"],
            pass_fds=(3, 4), preexec_fn=lambda: (os.dup2(to_browser, 3), os.dup2(from_browser, 4)),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.browser_in, json.dumps(message).encode() + b"\0")
        return self.next_id

    def read(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.browser_out, 1 << 16)
            if not chunk:
                raise EOFError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=None):
        wanted = self.send(method, params, session)
        while True:
            message = self.read()
            if message.get("id") == wanted:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self.events.append(message)

    def close(self):
        self.process.kill()
        self.process.wait()
        subprocess.run(["rm", "-rf", self.profile])


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * (len(ordered) - 1) + 0.5))]


def main():
    arguments = sys.argv[1:]
    network = "--network" in arguments
    arguments = [a for a in arguments if a != "--network"]
    base, count = arguments[0], int(arguments[1]) if len(arguments) > 1 else 1000
    pipe = Pipe(base)
    try:
        target = pipe.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = pipe.call("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        pipe.call("Page.enable", session=session)
        if network:
            pipe.call("Network.enable", session=session)
        pipe.call("Page.addScriptToEvaluateOnNewDocument", {"source": BRIDGE}, session)
        pipe.call("Fetch.enable", {"patterns": [{"urlPattern": "*" + PREFIX + "*",
                                                 "requestStage": "Request"}]}, session)
        pipe.send("Page.navigate", {"url": "%s/calls?n=%d" % (base, count)}, session)
        report = None
        while report is None:
            message = pipe.events.pop(0) if pipe.events else pipe.read()
            if message.get("method") != "Fetch.requestPaused":
                continue
            params = message["params"]
            body = params["request"].get("postData", "")
            if '"Report"' in body:
                report = json.loads(body)["args"][0]["value"]
            answer = '{"type":"undefined"}'
            pipe.send("Fetch.fulfillRequest",
                      {"requestId": params["requestId"], "responseCode": 200,
                       "responseHeaders": [{"name": "Content-Type", "value": "application/json"}],
                       "body": base64.b64encode(answer.encode()).decode()},
                      message.get("sessionId"))
        times = [float(value) for value in report.split(",") if value]
        print("native-floor median-ms %.2f p99-ms %.2f calls %d" %
              (percentile(times, 0.5), percentile(times, 0.99), len(times)))
    finally:
        pipe.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
