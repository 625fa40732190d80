"""zel.system from a packaged application's page: log off, restart and power
off asked of a mock logind on a private system bus, notifications shown by a
mock notification service on a private session bus, and the adapters'
hardware addresses compared with what `ip` lists."""

import json
import re
import struct
import subprocess
import sys
import unittest
import zlib
from pathlib import Path

import dbus

sys.path.insert(0, str(Path(__file__).resolve().parent))
from dbus_mocks import PrivateBus  # noqa: E402
from harness import E2ETestCase  # noqa: E402

LOGIND = ("org.freedesktop.login1", "/org/freedesktop/login1")
LOGIND_MANAGER = "org.freedesktop.login1.Manager"
NOTIFICATIONS = ("org.freedesktop.Notifications", "/org/freedesktop/Notifications")
NOTIFICATIONS_INTERFACE = "org.freedesktop.Notifications"


def png(width, height, rgba):
    """A PNG image of one colour."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + bytes(rgba) * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def address_bytes(text):
    """A link address as `ip` prints it: colon-separated hex or dotted IPv4."""
    if re.fullmatch(r"\d+(\.\d+){3}", text):
        return [int(part) for part in text.split(".")]
    return [int(part, 16) for part in text.split(":")]


def expected_entries(ip_link_output, sys_class_net=Path("/sys/class/net")):
    """The adapter entries for the links of `ip -o link`, in its order."""
    entries = []
    for line in ip_link_output.splitlines():
        match = re.match(r"\d+: ([^:@]+)[^:]*: <([^>]*)>.*?link/(\S+)(?: (\S+))?", line)
        if not match:
            continue
        name, flags, kind, address = match.groups()
        if "LOOPBACK" in flags.split(",") or kind == "loopback" or not address or address.startswith("brd"):
            continue
        if kind == "ether":
            folder = sys_class_net / name
            letter = "W" if (folder / "wireless").exists() or (folder / "phy80211").exists() else "E"
        else:
            letter = "U"
        data = (address_bytes(address) + [0] * 6)[:6]
        if any(data):
            entries.append(letter + "," + ":".join(f"{b:02x}" for b in data))
    return entries


class SystemTestCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.system_bus = PrivateBus(self.work)
        self.session_bus = PrivateBus(self.work)

    def tearDown(self):
        super().tearDown()
        self.system_bus.close()
        self.session_bus.close()

    def run_page(self, page, prefix="RESULT", settings=None, extra_files=None, timeout=40):
        """Starts the page with the private buses; returns the app, its window
        and the reported value."""
        exe = self.build("system", {"IndexHtml": page, **(settings or {})}, extra_files,
                         output_name=page.split(".")[0])
        app = self.start(exe, extra_env={"DBUS_SYSTEM_BUS_ADDRESS": self.system_bus.address,
                                         "DBUS_SESSION_BUS_ADDRESS": self.session_bus.address})
        window = app.window_id(40)
        caption = app.wait_for_caption(window, lambda c: c.startswith(prefix + " "), timeout)
        return app, window, json.loads(caption[len(prefix) + 1:])


class PowerTest(SystemTestCase):
    def test_logind_is_asked_without_a_prompt_and_the_page_gets_true(self):
        logind = self.system_bus.start_mock("logind", *LOGIND)
        _, _, r = self.run_page("power.html")
        self.assertEqual(r, {"logoff": {"ok": True}, "reboot": {"ok": True}, "shutdown": {"ok": True}})
        # The caller's session (else the user's graphical one); no password
        # prompt (interactive false) for restart and power off.
        self.assertEqual(logind.calls("TerminateSession"), [["auto"]])
        self.assertEqual(logind.calls("Reboot"), [[False]])
        self.assertEqual(logind.calls("PowerOff"), [[False]])
        self.assertEqual(logind.calls("Halt") + logind.calls("TerminateUser"), [])

    def test_a_refusal_answers_the_systems_text_and_no_logind_answers_at_once(self):
        logind = self.system_bus.start_mock("logind", *LOGIND)
        for method, signature, error, text in [
                ("TerminateSession", "s", "org.freedesktop.DBus.Error.AccessDenied", "Permission denied."),
                ("Reboot", "b", "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
                 "Interactive authentication required.\n"),
                ("PowerOff", "b", "org.freedesktop.DBus.Error.AccessDenied", "")]:
            logind.add_method(LOGIND_MANAGER, method, signature, "",
                              f"raise dbus.exceptions.DBusException({text!r}, name={error!r})")
        app, _, r = self.run_page("power.html")
        self.assertEqual(r, {"logoff": {"err": "Permission denied"},
                             "reboot": {"err": "Interactive authentication required"},
                             "shutdown": {"err": "org.freedesktop.DBus.Error.AccessDenied"}})
        self.assertIsNone(app.process.poll())
        app.kill()

        logind.process.terminate()
        logind.process.wait(10)
        _, _, r = self.run_page("power.html")
        missing = {"err": "The name org.freedesktop.login1 was not provided by any .service files"}
        self.assertEqual(r, {"logoff": missing, "reboot": missing, "shutdown": missing})

    def test_a_logind_that_never_answers_holds_nothing_else_up(self):
        logind = self.system_bus.start_mock("logind", *LOGIND)
        # The mock answers nothing while it sleeps.
        logind.add_method(LOGIND_MANAGER, "Reboot", "b", "", "import time; time.sleep(60)")
        _, _, r = self.run_page("stuck.html", timeout=60)
        self.assertEqual(r["hello"], {"ok": "2024.10"})
        self.assertEqual(r["tempDir"], {"ok": "/tmp/"})
        self.assertLess(r["helloMs"], 5000)
        self.assertEqual(r["reboot"], {"err": "Timeout was reached"})
        self.assertGreaterEqual(r["rebootMs"], 9000)


class NotificationTest(SystemTestCase):
    def test_notifications_replace_by_name_and_a_click_reaches_the_page(self):
        daemon = self.session_bus.start_mock("notification_daemon", *NOTIFICATIONS)
        icon = png(3, 2, (255, 0, 0, 128))
        app, window, r = self.run_page("notify.html", "NOTIFIED", settings={"Icon": "img/icon.png"},
                                       extra_files={"app/img/icon.png": icon})
        self.assertEqual(r["first"], {"ok": True})
        self.assertEqual(r["second"], {"ok": True})
        self.assertEqual(r["bodyOnly"], {"ok": True})
        self.assertEqual(r["burst"], [{"ok": True}, {"ok": True}])
        self.assertEqual(r["objectTitle"], "<pending>")  # no reply, nothing shown

        calls = daemon.calls("Notify")
        self.assertEqual(len(calls), 5, calls)
        app_names = {str(call[0]) for call in calls}
        self.assertEqual(app_names, {"System checks"})
        summary_body = [(str(call[3]), str(call[4])) for call in calls]
        # The service reads bodies as markup: the text shows as written.
        self.assertEqual(summary_body, [("New mail", "From: Ann &lt;ann@example.com&gt; &amp; co"),
                                        ("Two new mails", ""), ("Body only", ""), ("A", ""), ("B", "")])
        # The mock numbers from 1 and keeps a replaced notification's id.
        self.assertEqual([int(call[1]) for call in calls], [0, 1, 0, 0, 3])
        for call in calls:
            self.assertEqual([str(a) for a in call[5]], ["default", "Open"])
            width, height, rowstride, alpha, bits, channels, pixels = call[6]["image-data"]
            self.assertEqual((width, height, alpha, bits, channels), (3, 2, True, 8, 4))
            self.assertEqual(bytes(pixels[:4]), bytes((255, 0, 0, 128)))
            self.assertEqual(int(call[7]), -1)

        # Only the "default" action of a notification of this page counts.
        for notification_id, action in [(1, "other"), (99, "default"), (2, "default"), (1, "default")]:
            daemon.emit(NOTIFICATIONS_INTERFACE, "ActionInvoked", "us",
                        [dbus.UInt32(notification_id), action])
        clicks = app.wait_for_caption(window, lambda c: c == 'CLICKS ["","mail-1"]')
        self.assertEqual(clicks, 'CLICKS ["","mail-1"]')
        # Once closed, a name starts afresh.
        daemon.emit(NOTIFICATIONS_INTERFACE, "NotificationClosed", "uu", [dbus.UInt32(1), dbus.UInt32(2)])
        daemon.emit(NOTIFICATIONS_INTERFACE, "ActionInvoked", "us", [dbus.UInt32(1), "default"])
        daemon.emit(NOTIFICATIONS_INTERFACE, "ActionInvoked", "us", [dbus.UInt32(3), "default"])
        app.wait_for_caption(window, lambda c: c == 'CLICKS ["","mail-1","burst"]')

    def test_without_a_notification_service_the_page_gets_false_at_once(self):
        _, _, r = self.run_page("notify.html", "NOTIFIED")
        self.assertEqual(r["first"], {"ok": False})
        self.assertLess(r["firstMs"], 3000)  # not the time limit of 10 s
        self.assertEqual(r["second"], {"ok": False})
        self.assertEqual(r["burst"], [{"ok": False}, {"ok": False}])


class MacAddressesTest(SystemTestCase):
    def test_the_hosts_adapters_as_ip_lists_them(self):
        links = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True, check=True).stdout
        _, _, r = self.run_page("macs.html")
        self.assertEqual(r, {"ok": expected_entries(links)}, links)

    def test_a_veth_pair_in_a_network_namespace_of_its_own(self):
        setup = ("mount -t sysfs sysfs /sys && "
                 "ip link add zv0 address 02:00:5e:00:00:01 type veth peer name zv1 address 02:00:5e:00:00:02 && "
                 "ip tuntap add ztun0 mode tun")
        probe = subprocess.run(["unshare", "--net", "--mount", "--map-root-user", "sh", "-c", setup],
                               capture_output=True, text=True)
        if probe.returncode != 0:
            self.skipTest("this machine does not let the test make a network namespace with a veth pair: "
                          + (probe.stderr.strip() or f"exit {probe.returncode}"))
        exe = self.build("system", {"IndexHtml": "macs.html"}, output_name="macs")
        links_file = self.work / "links.txt"
        script = setup + ' && ip -o link > "$1" && shift && exec "$@"'
        app = self.start(Path("/usr/bin/unshare"),
                         args=["--net", "--mount", "--map-root-user", "sh", "-c", script, "sh",
                               str(links_file), str(exe)],
                         extra_env={"DBUS_SESSION_BUS_ADDRESS": self.session_bus.address})
        window = app.window_id(40)
        r = json.loads(app.wait_for_caption(window, lambda c: c.startswith("RESULT "), 40)[len("RESULT "):])
        links = links_file.read_text()
        # Loopback and the tunnel without an address are left out; the pair
        # comes in the namespace's own order.
        expected = expected_entries(links, Path("/nonexistent"))
        self.assertEqual(sorted(expected), ["E,02:00:5e:00:00:01", "E,02:00:5e:00:00:02"], links)
        self.assertEqual(r, {"ok": expected}, links)


if __name__ == "__main__":
    unittest.main()
