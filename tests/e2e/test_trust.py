"""The trust boundary in the packaged runtime: a web site that the
application shows, as its top page or in a frame of its own page, tries every
way we know to run a command or read a file of the user's. Each row starts
the application once on a page that leads to the site; the site reports to
the test's web server what it tried and anything it read. A command that
runs leaves a marker file. The control rows show that the test would see
both: the application's own pages do run commands, and so does a web page
whose origin the setting BridgeOrigins lists."""

import http.server
import json
import secrets
import threading
import time
import unittest
import urllib.parse
from pathlib import Path

from harness import E2ETestCase, wait_until

APP_ID = "dev.zel.e2e.trust"

# The attack page. Every row's function tries its ways in, then the page waits
# for what they might have started and reports that it is done.
ATTACK_PAGE = r"""<!doctype html><html><head><meta charset="utf-8"><title>attack</title></head><body><script>
const query = new URLSearchParams(location.search);
const row = query.get('row');
const markers = query.get('markers');
const secret = query.get('secret');
const evil = query.get('evil');
const report = (what, value) =>
  fetch('/report?' + new URLSearchParams({ row, what, value: String(value) })).catch(() => {});
const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const marker = (name) => markers + '/' + row + '.' + name;
const touch = (name) => "touch '" + marker(name) + "'";
let count = 0;
const call = (name) => ({ id: 70003, uuid: 'c0ffee00-0000-4000-8000-' + String(++count).padStart(12, '0'),
                          data: { command: touch(name) } });
// The application's page that runs what its address says, and a page from the disk.
const driven = (scheme, name) => scheme + ':///driven.html?touch=' + encodeURIComponent(marker(name));
const disk = (scheme, name) => scheme + '://' + evil + '?touch=' + encodeURIComponent(marker(name));
const attempt = async (name, action) => {
  try { await action(); } catch (e) { /* refused: the expected outcome */ }
};

async function readFiles() {
  for (const scheme of ['file', 'zel', 'ZEL']) {
    const url = scheme + '://' + secret;
    await attempt('fetch ' + scheme, async () => {
      const text = await (await fetch(url)).text();
      if (text) report('leak', 'fetch ' + url + ': ' + text);
    });
    await attempt('xhr ' + scheme, () => new Promise((resolve) => {
      const request = new XMLHttpRequest();
      request.onloadend = () => {
        if (request.responseText) report('leak', 'xhr ' + url + ': ' + request.responseText);
        resolve();
      };
      request.open('GET', url);
      request.send();
    }));
  }
  // The application's own files are the user's too.
  await attempt('fetch package', async () => {
    const text = await (await fetch('zel:///driven.html')).text();
    if (text) report('leak', 'package: ' + text);
  });
}

function frameApplicationPages() {
  for (const url of [driven('zel', 'frame-zel'), driven('file', 'frame-file'), disk('zel', 'frame-disk'),
                     disk('file', 'frame-disk-file')]) {
    const frame = document.createElement('iframe');
    frame.src = url;
    document.body.append(frame);
    const object = document.createElement('object');
    object.data = url.replace('frame-', 'object-');
    document.body.append(object);
  }
}

function openWindows() {
  attempt('open', () => window.open(driven('zel', 'open-zel')));
  attempt('open file', () => window.open(driven('file', 'open-file')));
  attempt('open disk', () => window.open(disk('file', 'open-disk')));
  attempt('open relative', () => window.open('driven.html?touch=' + encodeURIComponent(marker('open-relative'))));
  attempt('document.open', () => document.open(driven('file', 'document-open'), '_blank', ''));
  attempt('prototype', () => Window.prototype.open.call(window, driven('file', 'prototype-open')));
  attempt('new realm', () =>
    document.body.appendChild(document.createElement('iframe')).contentWindow.open(driven('file', 'realm-open')));
  for (const [scheme, name] of [['zel', 'link-zel'], ['file', 'link-file']]) {
    const link = document.createElement('a');
    link.href = driven(scheme, name);
    link.target = '_blank';
    document.body.append(link);
    attempt(name, () => link.click());
  }
  for (const [scheme, name] of [['zel', 'form-zel'], ['file', 'form-file']]) {
    const form = document.createElement('form');
    form.action = scheme + ':///driven.html';
    form.target = '_blank';
    const input = document.createElement('input');
    input.name = 'touch';
    input.value = marker(name);
    form.append(input);
    document.body.append(form);
    attempt(name, () => form.submit());
  }
}

// A channel function kept from a frame of this origin, used after the frame
// was sent to an application page (or, failing that, to another page).
async function staleChannel() {
  const frame = document.createElement('iframe');
  document.body.append(frame);
  const kept = frame.contentWindow.chrome.webview.postMessage;
  frame.src = driven('zel', 'stale-target');
  await wait(700);
  attempt('stale after zel', () => kept(call('stale-zel')));
  frame.src = '/blank.html';
  await wait(700);
  attempt('stale after web', () => kept(call('stale-web')));
}

async function navigateTop(target) {
  // Each try that works ends this page; the page it shows then runs the command.
  for (const url of [driven('zel', 'top-zel'), driven('file', 'top-file'), disk('zel', 'top-disk'),
                     disk('file', 'top-disk-file')]) {
    attempt(url, () => { target.location = url; });
    await wait(500);
  }
}

const rows = {
  // A frame of another origin inside the application's page.
  'frame-parent-channel': () => parent.chrome.webview.postMessage(call('parent-channel')),
  'frame-parent-bridge': () => parent.zel.shell.command({ command: touch('parent-bridge') }),
  'frame-top-call': () => top.zel.call(70003, { command: touch('top-call') }),
  'frame-parent-eval': () => parent.eval("zel.shell.command({ command: \"" + touch('parent-eval') + "\" })"),
  'frame-own-channel': () => chrome.webview.postMessage(call('own-channel')),
  'frame-read-files': readFiles,
  'frame-frames-application-pages': frameApplicationPages,
  'frame-opens-windows': openWindows,
  'frame-navigates-top': () => navigateTop(top),
  'frame-stale-channel': staleChannel,
  // The web page that the application navigated to.
  'web-own-channel': () => {
    attempt('channel', () => chrome.webview.postMessage(call('own-channel')));
    attempt('bridge', () => window.zel.shell.command({ command: touch('own-bridge') }));
  },
  'web-read-files': readFiles,
  'web-frames-application-pages': frameApplicationPages,
  'web-opens-windows': openWindows,
  'web-navigates': () => navigateTop(window),
  'web-stale-channel': staleChannel,
  'control-listed-origin': () => chrome.webview.postMessage(call('listed')),
};

// Rows that may start another window or page give it time to act.
const slow = /windows|navigate|frames/.test(row);
(async () => {
  await attempt(row, rows[row]);
  await wait(slow ? 2500 : 700);
  report('done', '');
})();
</script></body></html>
"""

EVIL_PAGE = """<!doctype html><meta charset="utf-8"><title>from the disk</title><script>
const touch = new URLSearchParams(location.search).get('touch');
if (touch && window.zel) zel.shell.command({ command: "touch '" + touch + "'" });
</script>
"""

ATTACK_ROWS = [
    "frame-parent-channel", "frame-parent-bridge", "frame-top-call", "frame-parent-eval",
    "frame-own-channel", "frame-read-files", "frame-frames-application-pages", "frame-opens-windows",
    "frame-navigates-top", "frame-stale-channel",
    "web-own-channel", "web-read-files", "web-frames-application-pages", "web-opens-windows",
    "web-navigates", "web-stale-channel",
]


class Site:
    """The test's web site on 127.0.0.1: the attack page and a report log."""

    def __init__(self):
        self.reports = []
        self.lock = threading.Lock()
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                url = urllib.parse.urlsplit(self.path)
                if url.path == "/report":
                    with site.lock:
                        site.reports.append(dict(urllib.parse.parse_qsl(url.query)))
                    body = b"ok"
                elif url.path == "/attack.html":
                    body = ATTACK_PAGE.encode()
                elif url.path == "/blank.html":
                    body = b"<!doctype html><title>blank</title>"
                else:
                    self.send_error(404)
                    return
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Access-Control-Allow-Origin", "*")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.origin = f"http://127.0.0.1:{self.server.server_address[1]}"

    def of(self, row):
        with self.lock:
            return [r for r in self.reports if r.get("row") == row]

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class TrustBoundaryTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.site = Site()
        self.addCleanup(self.site.close)
        self.markers = self.work / "markers"
        self.markers.mkdir()
        self.secret_text = "secret-" + secrets.token_hex(8)
        self.secret = self.work / "secret.txt"
        self.secret.write_text(self.secret_text)
        # A page someone left on the disk, outside the package.
        self.evil = self.work / "disk" / "evil.html"
        self.evil.parent.mkdir()
        self.evil.write_text(EVIL_PAGE)

    def run_row(self, executable, row, expect=()):
        """Starts the application for `row` and waits until the site is done
        and the markers in `expect` exist."""
        query = urllib.parse.urlencode({"row": row, "site": self.site.origin, "markers": str(self.markers),
                                        "secret": str(self.secret), "evil": str(self.evil)})
        app = self.start(executable, args=(APP_ID, f"file:///start.html?{query}"))
        try:
            wait_until(lambda: any(r.get("what") == "done" for r in self.site.of(row)), 40,
                       f"{row}: the site never reported that it was done")
            time.sleep(1)  # what a new window would have started
            wait_until(lambda: all((self.markers / name).exists() for name in expect), 20,
                       f"{row}: no command ran")
        finally:
            app.kill()

    def markers_of(self, row):
        return sorted(p.name for p in self.markers.iterdir() if p.name.startswith(row))

    def check_web_content_is_refused(self, arguments):
        settings = {"WebviewArguments": arguments} if arguments else {}
        executable = self.build("trust", settings)
        listed = self.build("trust", {**settings, "BridgeOrigins": self.site.origin}, output_name="listed")

        # Controls: what the application itself may do shows up.
        for row in ("control-application-page", "control-new-window"):
            with self.subTest(row=row):
                self.run_row(executable, row, expect=[row])
        with self.subTest(row="control-listed-origin"):
            self.run_row(listed, "control-listed-origin", expect=["control-listed-origin.listed"])

        for row in ATTACK_ROWS:
            with self.subTest(row=row):
                self.run_row(executable, row)
                self.assertEqual(self.markers_of(row), [], f"{row} ran a command")
                leaks = [r["value"] for r in self.site.of(row) if r.get("what") == "leak"]
                self.assertEqual(leaks, [], f"{row} read files")
        for report in self.site.reports:
            self.assertNotIn(self.secret_text, json.dumps(report))

    def test_web_content_reaches_nothing_with_the_default_arguments(self):
        # The default arguments turn web security off for the application's pages.
        self.check_web_content_is_refused("")

    def test_web_content_reaches_nothing_with_web_security_on(self):
        self.check_web_content_is_refused("--autoplay-policy=no-user-gesture-required")


if __name__ == "__main__":
    unittest.main()
