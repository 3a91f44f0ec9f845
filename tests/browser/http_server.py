#!/usr/bin/env python3
"""Loopback HTTP server for the transfer tests and the download benchmark.

Binds 127.0.0.1 on a free port, writes the port to --port-file and serves until SIGTERM:
  /normal          a short body; 401 unless the Basic credentials are MOVAR:MOVAR
  /auth            the Authorization header the request carried
  /large?size=N    N bytes of a repeating pattern (byte i is i % 251)
  /empty           200 with an empty body
  /missing         404 with an error page
  /redirect        302 to /normal with an empty body
  /status?code=N   status N with the body "status N" (a 3xx also names /normal as its Location)
  /silent          accepts the request and never answers
  /broken?size=N   announces N pattern bytes, sends half of them and drops the connection
  /stall?size=N    announces N pattern bytes, sends half of them and then nothing for 90 s
  /hugelength?size=N  announces N bytes, sends 100 of them and then nothing for 90 s
  /trickle?gap=MS&count=N  N pattern bytes, one every MS milliseconds
  /echo?text=T     the query text T, percent-decoded as UTF-8
  /files/...       200 with the body "file " followed by the request's path and query as sent
  /blank/...       200 with an empty body
  /slow/S/...      100 pattern bytes every tenth of a second for S seconds
  /bursts?sizes=A,B,...  A+B+... pattern bytes sent as bursts of A, B, ... bytes, 50 ms apart
  /datatool/V/ufdatatransfer/curver.json   a data-tool version file of variant V: "string"
                   {"curver":"2.5.1"}, "number" {"curver":3}, "missing" no curver, "notjson" HTML
  /datatool/V/ufdatatransfer/VER/setup.zip the body "setup VER"
                   variant "noinstaller": version 9.9 whose installer is a 404 page;
                   "brokeninstaller": version 8.8 whose installer transfer breaks off
  /page            an HTML page whose script calls the native test functions in its own frame and
                   in an iframe (/frame), reports the results in its title and draws a red block
  /frame           the iframe of /page
  /block           a white page with the red block of /page and nothing else; with ?stuck=1 it
                   also shows an image of /silent, so that its load never ends
  /calls?n=N       a page whose script times N calls of the native Nothing() and passes the times
                   in milliseconds to the native Report()
  /links           an HTML page with a target=_blank link, window.open buttons and a download link
  /bigcall         a page that calls Echo with 20 million characters, then with "after", and goes
                   to /echo with what happened
  /selfclosing     a page whose script closes its window once it has loaded
  /back           a page that goes back in its history once it has loaded
  /refusedopens    a page whose sandboxed frame and whose load event open windows, with a button
                   (top left) that opens a popup
  /forged          a page that asks the bridge's path in other shapes than the bridge's own script
                   and then goes to /echo with the answers
  /pac?proxy=P&direct=H  a proxy configuration script: host H directly, every other one through P
  /proxied         the request targets the server received as a proxy (absolute http:// forms),
                   a line each; such a request is otherwise answered like its path, but one
                   for host auth-proxy.invalid only with the proxy credentials below (else 407)
"""
import argparse
import base64
import os
import signal
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

EXPECTED_AUTH = "Basic " + base64.b64encode(b"MOVAR:MOVAR").decode()
PATTERN = bytes(i % 251 for i in range(251 * 4096))
NORMAL_BODY = b"Tessel test body\r\n\x00\xff binary too\n"
ERROR_PAGE = b"<html><body><h1>404 Not Found</h1></body></html>"
VERSION_FILES = {
    "string": b'{"curver":"2.5.1"}',
    "number": b'{"curver":3}',
    "missing": b'{"version":"2.5.1"}',
    "notjson": b"<html><body>maintenance</body></html>",
}

# Page script runs the native functions while the document loads, as the web application does.
PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>loading</title>
<style>body{margin:0;background:#fff}#block{position:absolute;left:50px;top:60px;width:100px;
height:80px;background:#f00}iframe{position:absolute;left:200px;top:0;width:150px;height:100px;
border:0}</style>
<script>
var results = [];
results.push("s:" + Echo("\u53d1\u7968"));
results.push("n:" + (Echo(2.5) + 1));
results.push("a:" + JSON.stringify(Echo([1, "x", {k: true, n: null}])));
try { Fail(); results.push("e:none"); } catch (e) { results.push("e:" + e.message); }
results.push("l:" + navigator.language);
function report() {
  if (window.frameResult === undefined) return setTimeout(report, 10);
  document.title = results.join("|") + "|f:" + window.frameResult;
}
window.onload = report;
</script></head>
<body><div id="block"></div><iframe name="side" src="/frame"></iframe>
<p style="position:absolute;left:10px;top:180px;font-size:28px">\u53d1\u7968\u5217\u8868</p>
</body></html>"""

FRAME = """<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>
<script>parent.frameResult = WhichFrame();</script></body></html>"""

BLOCK = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>block</title></head>
<body style="margin:0;background:#fff"><div style="position:absolute;left:50px;top:60px;
width:100px;height:80px;background:#f00"></div></body></html>"""

CALLS = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>calls</title><script>
window.onload = function () {
  var times = [];
  for (var i = 0; i < COUNT; i++) {
    var start = performance.now();
    Nothing();
    times.push(performance.now() - start);
  }
  Report(times.join(","));
};
</script></head><body></body></html>"""

LINKS = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>links</title>
<style>body{margin:0}a,button{position:absolute;display:block;width:120px;height:40px;left:10px}
</style></head><body>
<a id="blank" href="/echo?text=blank" target="_blank" style="top:10px">blank</a>
<button id="plain" style="top:60px" onclick="window.open('/echo?text=plain')">plain</button>
<button id="popup" style="top:110px"
 onclick="window.open('/echo?text=popup','','width=300,height=200')">popup</button>
<a id="download" href="/large?size=300000" download="data.bin" style="top:160px">download</a>
<button id="closer" style="top:210px"
 onclick="window.open('/selfclosing','','width=300,height=200')">closer</button>
</body></html>"""

# Requests to the bridge's path in shapes other than its own script's: they must reach nothing.
FORGED = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>forging</title><script>
var base = '/__tessel_bridge__/';
function sync(method, url) {
  var x = new XMLHttpRequest();
  x.open(method, url, false);
  try { x.send(''); return x.status; } catch (e) { return 'blocked'; }
}
window.onload = function () {
  var seen = ['echo:' + Echo('a')];
  seen.push('again:' + sync('POST', base + 'context'));
  seen.push('get:' + sync('GET', base + 'call'));
  seen.push('cross:' + sync('POST', 'http://localhost:' + location.port + base + 'context'));
  fetch(base + 'context', {method: 'POST', body: ''}).then(function (r) { return r.status; },
      function () { return 'blocked'; }).then(function (status) {
    seen.push('fetch:' + status);
    var image = new Image();
    image.onload = image.onerror = function () {
      seen.push('image');
      seen.push('echo:' + Echo('b'));
      location.replace('/echo?text=' + seen.join('.'));
    };
    image.src = base + 'context';
  });
};
</script></head><body></body></html>"""

# A native call with an argument of 20 million characters, then a small one; the answers go to
# /echo.
BIG_CALL = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>big</title><script>
window.onload = function () {
  var outcome;
  try { Echo(new Array(20 * 1024 * 1024 + 1).join('x')); outcome = 'returned'; }
  catch (e) { outcome = 'threw'; }
  location.replace('/echo?text=' + outcome + '.' + Echo('after'));
};
</script></head><body></body></html>"""

SELF_CLOSING = """<!DOCTYPE html><html><head><title>closing</title></head><body>
<script>window.onload = function () { setTimeout(function () { window.close(); }, 300); };</script>
</body></html>"""

GOING_BACK = """<!DOCTYPE html><html><head><title>back</title></head><body>
<script>window.onload = function () { setTimeout(function () { history.back(); }, 300); };</script>
</body></html>"""

# Opens that come before the user's click: one the browser refuses (a sandboxed frame may not open
# windows) and one without a gesture.
REFUSED_OPENS = """<!DOCTYPE html><html><head><title>opens</title>
<style>body{margin:0}button{position:absolute;left:10px;top:10px;width:120px;height:40px}</style>
</head><body><button onclick="window.open('/echo?text=clicked','','width=300,height=200')">open
</button><iframe sandbox="allow-scripts" style="position:absolute;top:100px"
 srcdoc="<script>window.open('/echo?text=sandboxed')</script>"></iframe>
<script>window.onload = function () { window.open('/echo?text=unasked'); };</script>
</body></html>"""


# As a proxy, the server asks for these credentials for requests to this host.
AUTH_PROXY_HOST = "auth-proxy.invalid"
EXPECTED_PROXY_AUTH = "Basic " + base64.b64encode("proxy user:p@ss wörd".encode()).decode()

PROXIED = []
PROXIED_LOCK = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, extra_headers=()):
        self.send_response(status)
        for name, value in extra_headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urlsplit(self.path)
        if self.path.startswith("http://"):
            with PROXIED_LOCK:
                PROXIED.append(self.path)
        if url.hostname == AUTH_PROXY_HOST and \
                self.headers.get("Proxy-Authorization") != EXPECTED_PROXY_AUTH:
            return self.send_body(407, b"proxy credentials missing",
                                  [("Proxy-Authenticate", 'Basic realm="proxy"')])
        query = parse_qs(url.query)
        if url.path.startswith("/files/"):
            return self.send_body(200, b"file " + self.path.encode("latin-1"))
        if url.path.startswith("/slow/"):
            return self.send_slowly(float(url.path.split("/")[2]))
        if url.path.startswith("/blank/"):
            return self.send_body(200, b"")
        if url.path.startswith("/datatool/"):
            return self.datatool_response(url.path.split("/")[2:])
        route = getattr(self, "route_" + url.path.strip("/"), None)
        if route is None:
            self.send_body(404, ERROR_PAGE)
        else:
            route(query)

    def route_normal(self, _query):
        if self.headers.get("Authorization") != EXPECTED_AUTH:
            self.send_body(401, b"credentials missing", [("WWW-Authenticate", 'Basic realm="t"')])
        else:
            self.send_body(200, NORMAL_BODY)

    def route_auth(self, _query):
        self.send_body(200, (self.headers.get("Authorization") or "").encode())

    def route_large(self, query):
        size = int(query.get("size", ["0"])[0])
        self.send_response(200)
        self.send_header("Content-Length", str(size))
        self.end_headers()
        sent = 0
        while sent < size:
            chunk = PATTERN[: min(len(PATTERN), size - sent)]
            self.wfile.write(chunk)
            sent += len(chunk)

    def route_bursts(self, query):
        sizes = [int(size) for size in query.get("sizes", [""])[0].split(",") if size]
        body = bytes(i % 251 for i in range(sum(sizes)))
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        sent = 0
        for size in sizes:
            self.wfile.write(body[sent : sent + size])
            self.wfile.flush()
            sent += size
            time.sleep(0.05)

    def route_status(self, query):
        code = int(query.get("code", ["500"])[0])
        location = [("Location", "/normal")] if 300 <= code < 400 else []
        self.send_body(code, b"status %d" % code, location)

    def announce_then_stall(self, announced, sent):
        self.send_response(200)
        self.send_header("Content-Length", str(announced))
        self.end_headers()
        self.wfile.write(PATTERN[:sent])
        self.wfile.flush()
        time.sleep(90)

    def route_stall(self, query):
        size = int(query.get("size", ["1000"])[0])
        self.announce_then_stall(size, size // 2)

    def route_hugelength(self, query):
        self.announce_then_stall(int(query.get("size", ["0"])[0]), 100)

    def route_trickle(self, query):
        gap = int(query.get("gap", ["1000"])[0]) / 1000.0
        count = int(query.get("count", ["1"])[0])
        self.send_response(200)
        self.send_header("Content-Length", str(count))
        self.end_headers()
        for i in range(count):
            time.sleep(gap)
            self.wfile.write(PATTERN[i : i + 1])
            self.wfile.flush()

    def route_pac(self, query):
        script = 'function FindProxyForURL(url, host) { return host == "%s" ? "DIRECT" : "PROXY %s"; }'
        body = script % (query.get("direct", [""])[0], query.get("proxy", [""])[0])
        self.send_body(200, body.encode(), [("Content-Type", "application/x-ns-proxy-autoconfig")])

    def route_proxied(self, _query):
        with PROXIED_LOCK:
            self.send_body(200, "".join(line + "\n" for line in PROXIED).encode())

    def route_broken(self, query):
        # Announces `size` bytes, sends half of them and drops the connection.
        size = int(query.get("size", ["1000"])[0])
        self.send_response(200)
        self.send_header("Content-Length", str(size))
        self.end_headers()
        self.wfile.write(PATTERN[: size // 2])
        self.wfile.flush()
        self.close_connection = True
        self.connection.shutdown(socket.SHUT_RDWR)

    def send_slowly(self, seconds):
        # 100 pattern bytes a tenth of a second apart, until `seconds` have passed.
        steps = max(1, int(seconds * 10))
        self.send_response(200)
        self.send_header("Content-Length", str(steps * 100))
        self.end_headers()
        for _ in range(steps):
            self.wfile.write(PATTERN[:100])
            self.wfile.flush()
            time.sleep(0.1)

    def route_empty(self, _query):
        self.send_body(200, b"")

    def route_missing(self, _query):
        self.send_body(404, ERROR_PAGE)

    def route_redirect(self, _query):
        self.send_body(302, b"", [("Location", "/normal")])

    def route_silent(self, _query):
        time.sleep(60)

    def datatool_response(self, parts):
        # parts: variant, "ufdatatransfer", then "curver.json" or VER, "setup.zip"
        if len(parts) == 3 and parts[1:] == ["ufdatatransfer", "curver.json"]:
            body = VERSION_FILES.get(parts[0])
            if body is not None:
                return self.send_body(200, body)
        if parts[:1] == ["noinstaller"] and parts[2:] == ["curver.json"]:
            return self.send_body(200, b'{"curver":"9.9"}')
        if parts[:1] == ["brokeninstaller"] and parts[2:] == ["curver.json"]:
            return self.send_body(200, b'{"curver":"8.8"}')
        if parts[:1] == ["brokeninstaller"] and parts[3:] == ["setup.zip"]:
            return self.route_broken({"size": ["4000"]})
        if parts[:1] == ["noinstaller"]:
            return self.send_body(404, ERROR_PAGE)
        if len(parts) == 4 and parts[1] == "ufdatatransfer" and parts[3] == "setup.zip":
            return self.send_body(200, b"setup " + parts[2].encode("latin-1"))
        self.send_body(404, ERROR_PAGE)

    def send_html(self, body):
        self.send_body(200, body.encode("utf-8"), [("Content-Type", "text/html; charset=utf-8")])

    def route_page(self, _query):
        self.send_html(PAGE)

    def route_frame(self, _query):
        self.send_html(FRAME)

    def route_block(self, query):
        stuck = '<img src="/silent"></body>' if query.get("stuck") else "</body>"
        self.send_html(BLOCK.replace("</body>", stuck))

    def route_calls(self, query):
        self.send_html(CALLS.replace("COUNT", str(int(query.get("n", ["1000"])[0]))))

    def route_links(self, _query):
        self.send_html(LINKS)

    def route_bigcall(self, _query):
        self.send_html(BIG_CALL)

    def route_forged(self, _query):
        self.send_html(FORGED)

    def route_selfclosing(self, _query):
        self.send_html(SELF_CLOSING)

    def route_back(self, _query):
        self.send_html(GOING_BACK)

    def route_refusedopens(self, _query):
        self.send_html(REFUSED_OPENS)

    def route_echo(self, query):
        self.send_body(200, query.get("text", [""])[0].encode("utf-8"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    temp = args.port_file + ".tmp"
    with open(temp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(temp, args.port_file)
    server.serve_forever()
    os.remove(args.port_file)


if __name__ == "__main__":
    sys.exit(main())
