#!/usr/bin/env python3
"""A small demo of the invoicing web application and of the data tool's download site.

Binds 127.0.0.1 on a free port, writes the port to --port-file and serves until SIGTERM. It is
both an HTTP forward proxy for exactly two hosts and a plain server:
  http://einvoice.tessel.example/...          the invoicing application (also served to plain
                                              requests, e.g. http://127.0.0.1:PORT/)
  http://download.tesselfp.cn/ufdatatransfer/ the data tool's download site
Any other host answers 404: nothing is forwarded to the outside.

The files the program itself downloads (spreadsheets, PDF documents, the report, the installer)
are served only with the program's fixed Basic credentials; the file behind the page's plain
download link is public, as the browser sends no credentials. /log shows the requests received,
/log.json the same as JSON, /positions.json where the start page laid out its controls and
/results.json the DownExecel results it showed.
"""
import argparse
import base64
import datetime
import html
import io
import json
import os
import signal
import sys
import threading
import zipfile
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, quote, unquote, urlsplit

APP_HOST = "einvoice.tessel.example"
TOOL_HOST = "download.tesselfp.cn"
TOOL_VERSION = "2.5.1"
CREDENTIALS = "Basic " + base64.b64encode(b"MOVAR:MOVAR").decode()

INVOICES = [
    ("04400211", "广州市海珠区明远贸易有限公司", "12,800.00", "2026-11-03"),
    ("04400212", "深圳前海云帆科技有限公司", "3,560.50", "2026-11-12"),
    ("04400213", "佛山市顺德区安和五金厂", "980.00", "2026-11-20"),
    ("04400214", "东莞长安镇宏达电子有限公司", "45,210.75", "2026-11-28"),
]


def xlsx_bytes(title, rows):
    """A small spreadsheet in the Office Open XML format, strings inline."""
    def cell(ref, text):
        return f'<c r="{ref}" t="inlineStr"><is><t>{html.escape(text)}</t></is></c>'

    sheet_rows = []
    for r, row in enumerate([title] + rows, start=1):
        cells = "".join(cell(f"{chr(65 + c)}{r}", text) for c, text in enumerate(row))
        sheet_rows.append(f'<row r="{r}">{cells}</row>')
    parts = {
        "[Content_Types].xml": (
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
            "</Types>"),
        "_rels/.rels": (
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
            "</Relationships>"),
        "xl/workbook.xml": (
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
            '<sheets><sheet name="发票" sheetId="1" r:id="rId1"/></sheets></workbook>'),
        "xl/_rels/workbook.xml.rels": (
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
            "</Relationships>"),
        "xl/worksheets/sheet1.xml": (
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            f'<sheetData>{"".join(sheet_rows)}</sheetData></worksheet>'),
    }
    return zip_bytes(parts)


def zip_bytes(parts):
    buffer = io.BytesIO()
    # A fixed date keeps every copy of a file byte-identical.
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, text in parts.items():
            info = zipfile.ZipInfo(name, date_time=(2026, 12, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, text.encode("utf-8") if isinstance(text, str) else text)
    return buffer.getvalue()


def pdf_bytes(lines):
    """A one-page PDF with a few lines of ASCII text in a standard font."""
    text = "BT /F1 14 Tf 72 760 Td 18 TL " + " ".join(
        "(" + line.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)") + ") '"
        for line in lines) + " ET"
    objects = [
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        f"<< /Length {len(text)} >>\nstream\n{text}\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += f"{number} 0 obj\n{body}\nendobj\n".encode("latin-1")
    xref = len(out)
    out += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode()
    for offset in offsets:
        out += f"{offset:010d} 00000 n \n".encode()
    out += f"trailer\n<< /Size {len(objects) + 1} /Root 1 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode()
    return out


def invoice_rows():
    return [list(invoice) for invoice in INVOICES]


def file_body(name):
    """The generated file a name stands for, or None."""
    stem, _, extension = name.rpartition(".")
    if extension == "xlsx":
        return xlsx_bytes(["发票号码", "购买方", "金额", "开票日期"], invoice_rows())
    if extension == "pdf":
        return pdf_bytes(["Tessel demo invoice " + stem, "Amount: 12,800.00 CNY",
                          "Issued: 2026-11-03"])
    return None


PAGE_STYLE = """<style>
body{margin:0;font-family:"Microsoft YaHei","WenQuanYi Zen Hei",sans-serif;font-size:14px;
color:#222;background:#f4f6f9}
header{background:#1f6fb2;color:#fff;padding:12px 20px;font-size:20px}
main{padding:12px 20px}
table{border-collapse:collapse;background:#fff;width:100%}
th,td{border:1px solid #d5dbe3;padding:6px 8px;text-align:left}
th{background:#e9eef5}
button{font:inherit;padding:2px 10px;margin-right:4px}
.links a,.links button{display:inline-block;margin:6px 14px 6px 0}
.result{font-family:monospace;color:#0a6b2d;min-width:220px}
iframe{border:1px solid #d5dbe3;width:100%;height:64px;background:#fff}
</style>"""

# Reports where each control with a data-test name lies, and the size of the page's window that
# layout is for ("viewport"), so that a test can click it; again whenever the window's size changes.
POSITIONS_SCRIPT = """<script>
function reportPositions() {
  var spots = {viewport: [window.innerWidth, window.innerHeight]};
  document.querySelectorAll('[data-test]').forEach(function (e) {
    var r = e.getBoundingClientRect();
    spots[e.getAttribute('data-test')] = [Math.round(r.left + r.width / 2),
                                          Math.round(r.top + r.height / 2)];
  });
  var x = new XMLHttpRequest();
  x.open('POST', '/positions');
  x.send(JSON.stringify(spots));
}
var positionsTimer = 0;
window.addEventListener('load', reportPositions);
window.addEventListener('resize', function () {
  clearTimeout(positionsTimer);
  positionsTimer = setTimeout(reportPositions, 100);
});
// Shows a DownExecel result in the page and tells the service, so that /results.json has it.
function down(url, name, cell) {
  var text = DownExecel(url, name);
  document.getElementById(cell).textContent = text;
  var x = new XMLHttpRequest();
  x.open('POST', '/result');
  x.send(JSON.stringify({cell: cell, text: text}));
  return text;
}
</script>"""


def start_page():
    rows = []
    for index, (number, buyer, amount, date) in enumerate(INVOICES):
        xlsx = f"http://{APP_HOST}/files/invoice-{number}.xlsx"
        pdf = f"http://{APP_HOST}/files/invoice-{number}.pdf"
        rows.append(
            f"<tr><td>{number}</td><td>{html.escape(buyer)}</td><td>{amount}</td><td>{date}</td>"
            f'<td><button data-test="xlsx{index}" onclick="down(\'{xlsx}\', '
            f"'发票{number}.xlsx', 'result{index}')\">下载Excel</button>"
            f'<button data-test="pdf{index}" onclick="down(\'{pdf}\', '
            f"'发票{number}.pdf', 'result{index}')\">下载PDF</button></td>"
            f'<td class="result" id="result{index}"></td></tr>')
    tool = f"http://{TOOL_HOST}/ufdatatransfer/download.htm"
    return f"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>电子发票服务平台</title>
{PAGE_STYLE}{POSITIONS_SCRIPT}</head><body>
<header>电子发票服务平台 · 发票管理</header>
<main>
<h3>本月开具的发票</h3>
<table><tr><th>发票号码</th><th>购买方</th><th>金额（元）</th><th>开票日期</th><th>下载</th>
<th>结果</th></tr>
{"".join(rows)}
</table>
<div class="links">
<a data-test="blankXlsx" href="/files/%E5%8F%91%E7%A5%A8%E6%B8%85%E5%8D%95.xlsx" target="_blank">发票清单（Excel，新窗口）</a>
<a data-test="blankPdf" href="/files/summary-2026-11.pdf" target="_blank">月度汇总（PDF，新窗口）</a>
<a data-test="dataTool" href="{tool}" target="_blank">下载数据采集工具</a>
<a data-test="report" href="/cjtgjb/download/ViewReport?period=2026-11" target="_blank">税务健康评测报告</a>
<button data-test="notice" onclick="window.open('/notice', 'notice', 'width=480,height=320')">查看公告（弹出窗口）</button>
<a data-test="guide" href="/public/guide.txt" download="使用说明.txt">下载使用说明</a>
<a href="/log" target="_self">服务收到的请求</a>
</div>
<p>不安全的文件名（应被拒绝）：
<button data-test="badName" onclick="down('http://{APP_HOST}/files/escape.xlsx', '..\\\\escape.xlsx', 'badResult')">保存到桌面之外</button>
<span class="result" id="badResult"></span></p>
<p>在框架中下载：</p>
<iframe name="side" src="/frame"></iframe>
</main></body></html>"""


def frame_page():
    xlsx = f"http://{APP_HOST}/files/frame-list.xlsx"
    return f"""<!DOCTYPE html><html><head><meta charset="utf-8">{PAGE_STYLE}
<script>function down(url, name) {{
  document.getElementById('frameResult').textContent = DownExecel(url, name);
}}</script></head>
<body style="background:#fff;padding:8px">
<button onclick="down('{xlsx}', '框架清单.xlsx')">框架内下载Excel</button>
<span class="result" id="frameResult"></span></body></html>"""


NOTICE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>系统公告</title></head>
<body style="font-family:sans-serif;padding:16px"><h3>系统公告</h3>
<p>本平台将于本周六 22:00 至 24:00 进行例行维护。</p></body></html>"""

TOOL_PAGE = f"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>数据采集工具下载</title>
</head><body><h3>数据采集工具</h3><p>当前版本 {TOOL_VERSION}</p>
<a href="/ufdatatransfer/{TOOL_VERSION}/setup.zip">下载安装包</a></body></html>"""

GUIDE = "电子发票服务平台使用说明\r\n1. 在发票列表中点击“下载Excel”或“下载PDF”。\r\n".encode("utf-8")


class Demo:
    """What the service remembers: the requests it received and the start page's layout."""

    def __init__(self):
        self.lock = threading.Lock()
        self.requests = []
        self.positions = {}
        self.results = {}

    def record(self, entry):
        with self.lock:
            self.requests.append(entry)

    def log(self):
        with self.lock:
            return list(self.requests)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    demo = Demo()

    def log_message(self, *args):
        pass

    def send_body(self, status, body, content_type="text/html; charset=utf-8", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def target(self):
        """The host and path asked for: from an absolute URL (a proxy request) or Host."""
        url = urlsplit(self.path)
        if url.scheme:
            return (url.hostname or "").lower(), url.path, url.query
        host = (self.headers.get("Host") or "").split(":")[0].lower()
        return host, url.path, url.query

    def authorised(self):
        return self.headers.get("Authorization") == CREDENTIALS

    def handle_request(self, body=b""):
        host, path, query = self.target()
        self.demo.record({
            "time": datetime.datetime.now().strftime("%H:%M:%S.%f")[:-3],
            "method": self.command, "host": host, "path": unquote(path), "query": query,
            "credentials": self.authorised(), "user_agent": self.headers.get("User-Agent", ""),
        })
        if host == TOOL_HOST:
            return self.tool_site(path)
        if host in (APP_HOST, "127.0.0.1", "localhost"):
            return self.application(path, query, body)
        self.send_body(404, "<h1>404</h1><p>这个演示服务只提供两个站点。</p>".encode("utf-8"))

    def do_GET(self):
        self.handle_request()

    def do_HEAD(self):
        self.handle_request()

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.handle_request(self.rfile.read(length) if 0 < length <= 1 << 20 else b"")

    def do_CONNECT(self):
        self.send_body(404, b"no tunnels")

    def protected(self, body, content_type, name=None):
        if not self.authorised():
            return self.send_body(401, "需要身份验证".encode("utf-8"),
                                  headers=[("WWW-Authenticate", 'Basic realm="demo"')])
        headers = []
        if name:
            headers.append(("Content-Disposition",
                            "attachment; filename*=UTF-8''" + quote(name)))
        self.send_body(200, body, content_type, headers)

    def application(self, path, query, body):
        if self.command == "POST" and path == "/result":
            try:
                result = json.loads(body.decode("utf-8"))
                with self.demo.lock:
                    self.demo.results[str(result["cell"])] = str(result["text"])
            except (ValueError, KeyError, TypeError):
                return self.send_body(400, b"not a result")
            return self.send_body(204, b"")
        if self.command == "POST" and path == "/positions":
            try:
                self.demo.positions = json.loads(body.decode("utf-8"))
            except ValueError:
                return self.send_body(400, b"not JSON")
            return self.send_body(204, b"")
        if path == "/":
            return self.send_body(200, start_page().encode("utf-8"))
        if path == "/frame":
            return self.send_body(200, frame_page().encode("utf-8"))
        if path == "/notice":
            return self.send_body(200, NOTICE.encode("utf-8"))
        if path == "/public/guide.txt":
            return self.send_body(200, GUIDE, "text/plain; charset=utf-8")
        if path.startswith("/files/"):
            name = unquote(path[len("/files/"):])
            content = file_body(name)
            if content is not None:
                kind = ("application/pdf" if name.endswith(".pdf") else
                        "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")
                return self.protected(content, kind)
        if path == "/cjtgjb/download/ViewReport":
            period = parse_qs(query).get("period", ["2026-11"])[0]
            return self.protected(pdf_bytes(["Tax health report " + period, "Score: 92 / 100"]),
                                  "application/pdf")
        if path == "/log":
            return self.send_body(200, self.log_page().encode("utf-8"))
        if path == "/log.json":
            return self.send_body(200, json.dumps(self.demo.log(), ensure_ascii=False)
                                  .encode("utf-8"), "application/json; charset=utf-8")
        if path == "/results.json":
            with self.demo.lock:
                results = dict(self.demo.results)
            return self.send_body(200, json.dumps(results, ensure_ascii=False).encode("utf-8"),
                                  "application/json; charset=utf-8")
        if path == "/positions.json":
            return self.send_body(200, json.dumps(self.demo.positions).encode("utf-8"),
                                  "application/json")
        self.send_body(404, "<h1>404</h1><p>没有这个页面。</p>".encode("utf-8"))

    def tool_site(self, path):
        if path == "/ufdatatransfer/download.htm":
            return self.send_body(200, TOOL_PAGE.encode("utf-8"))
        if path == "/ufdatatransfer/curver.json":
            return self.send_body(200, json.dumps({"curver": TOOL_VERSION}).encode(),
                                  "application/json")
        if path == f"/ufdatatransfer/{TOOL_VERSION}/setup.zip":
            return self.protected(zip_bytes({"readme.txt": "数据采集工具 " + TOOL_VERSION}),
                                  "application/zip")
        self.send_body(404, b"<h1>404</h1>")

    def log_page(self):
        rows = "".join(
            f"<tr><td>{e['time']}</td><td>{e['method']}</td><td>{html.escape(e['host'])}</td>"
            f"<td>{html.escape(e['path'])}</td><td>{'是' if e['credentials'] else '否'}</td></tr>"
            for e in self.demo.log())
        return f"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>请求记录</title>
{PAGE_STYLE}</head><body><header>服务收到的请求</header><main><table>
<tr><th>时间</th><th>方法</th><th>主机</th><th>路径</th><th>带凭据</th></tr>{rows}</table>
<p><a href="/">返回</a></p></main></body></html>"""


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
