"""The main menu and the tray in a packaged application: a menu bar clicked
with the mouse (found through the accessibility bus), its updates, a tray
icon registered with a StatusNotifierWatcher on the test's session bus,
whose menu and clicks a host reaches over D-Bus, and the XEmbed icon that
stands in where no watcher runs."""

import json
import struct
import subprocess
import sys
import time
import zlib
from pathlib import Path

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import E2ETestCase, wait_until  # noqa: E402

HERE = Path(__file__).resolve().parent
PYTHON = "/usr/bin/python3"


def png(width, height, rgba):
    """A PNG file of one colour."""
    raw = b"".join(b"\0" + bytes(rgba) * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


IMAGES = {"app/img/open.png": png(32, 32, (255, 0, 0, 255)), "app/img/broken.png": b"no picture at all"}


class MenusTest(E2ETestCase):
    window_manager = True

    def events(self):
        path = self.work / "out" / "events.json"
        return json.loads(path.read_text(encoding="utf-8-sig")) if path.exists() else []

    def wait_for_event(self, event, timeout=15):
        wait_until(lambda: event in self.events(), timeout, f"{event} never reached the page; got {self.events()}")

    def menus(self, app):
        result = subprocess.run([PYTHON, str(HERE / "atspi_menus.py"), str(app.process.pid)], env=self.display.env(),
                                capture_output=True, text=True, timeout=60)
        return json.loads(result.stdout or "[]")

    def menu_entry(self, app, name, timeout=15):
        """The showing menu entry called `name`."""
        return wait_until(lambda: next((m for m in self.menus(app) if m["name"] == name and m["showing"]), None),
                          timeout, f"no menu entry {name!r} is showing")

    def click(self, app, entry):
        x, y, w, h = entry["extents"]
        app.xdotool("mousemove", str(x + w // 2), str(y + h // 2))
        time.sleep(0.2)
        app.xdotool("click", "1")

    def red_pixels(self, entry):
        """Red pixels inside the entry's extents on the screen."""
        shot = self.work / "shot.png"
        self.display.screenshot(shot)
        x, y, w, h = entry["extents"]
        raw = subprocess.run(["convert", str(shot), "-crop", f"{w}x{h}+{x}+{y}", "rgb:-"], capture_output=True,
                             check=True).stdout
        return sum(1 for i in range(0, len(raw) - 2, 3) if raw[i] > 200 and raw[i + 1] < 60 and raw[i + 2] < 60)

    def window_state(self, app, window):
        return subprocess.run(["xprop", "-id", window, "WM_STATE"], env=self.display.env(), capture_output=True,
                              text=True).stdout

    def test_menu_bar_clicks_and_updates(self):
        exe = self.build("menus", extra_files=IMAGES)
        app = self.start(exe, extra_env={"NO_AT_BRIDGE": "0"})
        window = app.window_id()

        r = self.step(1)
        self.assertEqual(r["missing"], {"err": "Missing menu items"})
        self.assertEqual(r["set"], {"ok": True})
        self.assertLess(r["after"], r["before"])  # the bar takes its room from the page
        wait_until(lambda: app.geometry(window)[2:] == (800, 600), 10, "the window's outer size changed")
        # The application joins the accessibility bus a little after it shows.
        bar = wait_until(lambda: next((m for m in self.menus(app) if m["role"] == "menu bar"), None), 20,
                         "no menu bar on the accessibility bus")
        x, y, w, h = app.geometry(window)
        self.assertTrue(y < bar["extents"][1] < y + 60, bar)

        # File, then Recent, then Doc A, with the mouse.
        self.click(app, self.menu_entry(app, "File"))
        opened = self.menu_entry(app, "Open")
        self.assertGreater(self.red_pixels(opened), 100)  # its picture, from the package
        self.assertEqual(self.red_pixels(self.menu_entry(app, "Broken image")), 0)
        self.assertTrue(any(m["role"] == "separator" and m["showing"] for m in self.menus(app)))
        self.click(app, self.menu_entry(app, "Recent"))
        self.click(app, self.menu_entry(app, "Doc A"))
        self.wait_for_event(["main", "31"])

        self.click(app, self.menu_entry(app, "File"))
        self.click(app, self.menu_entry(app, "New"))
        self.wait_for_event(["main", "11"])
        help_before = self.menu_entry(app, "Help")
        self.assertTrue(help_before["enabled"])
        self.go(1)

        r = self.step(2)
        self.assertEqual(r, {"help": {"ok": True}, "unknown": {"ok": True}, "wrong": {"err": "Wrong item ID"}})
        support = self.menu_entry(app, "Support")
        self.assertFalse(support["enabled"])
        self.assertFalse(any(m["name"] == "Help" for m in self.menus(app)))
        self.click(app, support)  # disabled: no event
        time.sleep(1)
        self.assertEqual(self.events(), [["main", "31"], ["main", "11"]])

    def start_watcher(self):
        log = open(self.work / "watcher.log", "w")
        watcher = subprocess.Popen([PYTHON, str(HERE / "sni_watcher.py"), self.display.bus_address], stdout=log,
                                   stderr=subprocess.STDOUT)
        self.addCleanup(lambda: (watcher.terminate(), watcher.wait(5), log.close()))
        wait_until(lambda: "ready" in self.watcher_events(), 15, "the watcher did not start")

    def watcher_events(self):
        path = self.work / "watcher.log"
        return [json.loads(line)["event"] if "event" in line else line for line in path.read_text().splitlines()] \
            if path.exists() else []

    def watcher_log(self):
        return [json.loads(line) for line in (self.work / "watcher.log").read_text().splitlines()]

    def bus(self):
        return Gio.DBusConnection.new_for_address_sync(
            self.display.bus_address,
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

    def test_tray_icon_registers_serves_its_menu_and_reports_clicks(self):
        self.start_watcher()
        exe = self.build("menus", extra_files=IMAGES)
        app = self.start(exe, extra_env={"NO_AT_BRIDGE": "0"})
        window = app.window_id()
        self.go(1, 2)

        r = self.step(3)
        self.assertEqual(r, {"items": {"ok": True}, "show": {"ok": True}, "again": {"ok": True}})
        wait_until(lambda: any(e.get("event") == "registered" for e in self.watcher_log()), 15, "no registration")
        time.sleep(0.5)
        registered = [e for e in self.watcher_log() if e.get("event") == "registered"]
        self.assertEqual(len(registered), 1, registered)  # shown twice, registered once
        service = registered[0]["service"]
        self.assertTrue(service.startswith(f"org.kde.StatusNotifierItem-{app.process.pid}-"), service)

        bus = self.bus()

        def call(path, interface, method, args, reply=None):
            return bus.call_sync(service, path, interface, method, args, reply and GLib.VariantType(reply),
                                 Gio.DBusCallFlags.NONE, 5000, None).unpack()

        def prop(name):
            return call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                        GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", name)), "(v)")[0]

        self.assertEqual(prop("Title"), "menus")  # the executable's name, as the rule makes it
        self.assertEqual(prop("Status"), "Active")
        self.assertEqual(prop("IconName"), "application-x-executable")
        menu_path = prop("Menu")
        self.assertEqual(menu_path, "/MenuBar")

        def layout():
            return call(menu_path, "com.canonical.dbusmenu", "GetLayout", GLib.Variant("(iias)", (0, -1, [])),
                        "(u(ia{sv}av))")[1]

        root = layout()
        top = root[2]
        self.assertEqual([entry[1].get("label", entry[1].get("type")) for entry in top],
                         ["_Show", "separator", "_More"])
        more = top[2]
        self.assertEqual(more[1].get("children-display"), "submenu")
        quit_item = more[2][0]
        self.assertEqual(quit_item[1]["label"], "_Quit")

        call(menu_path, "com.canonical.dbusmenu", "Event",
             GLib.Variant("(isvu)", (quit_item[0], "clicked", GLib.Variant("i", 0), 0)))
        self.wait_for_event(["tray", "21"])
        call(menu_path, "com.canonical.dbusmenu", "Event",
             GLib.Variant("(isvu)", (more[0], "clicked", GLib.Variant("i", 0), 0)))  # a submenu: no event
        call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", GLib.Variant("(ii)", (10, 10)))
        self.wait_for_event(["icon"])
        self.assertEqual(self.events(), [["tray", "21"], ["icon"]])

        # A host that does not draw menus asks the icon to pop its menu up.
        call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu", GLib.Variant("(ii)", (300, 300)))
        show = self.menu_entry(app, "Show")
        self.assertTrue(300 <= show["extents"][0] <= 320 and 300 <= show["extents"][1] <= 340, show)
        self.click(app, show)
        self.wait_for_event(["tray", "1"])
        self.go(3)

        # Updated, and minimized while the icon shows: the window lives on in the tray.
        r = self.step(4)
        self.assertEqual(r, {"update": {"ok": True}, "minimized": {"ok": True}})
        wait_until(lambda: layout()[2][0][1]["label"] == "_Open window", 10, "the update never reached the host")
        wait_until(lambda: "Iconic" not in self.window_state(app, window) and "Normal" not in self.window_state(app, window),
                   10, "the window was not hidden: " + self.window_state(app, window))
        self.go(4)

        r = self.step(5)
        self.assertEqual(r, {"normal": {"ok": True}, "hide": {"ok": True}, "hideAgain": {"ok": True}})
        wait_until(lambda: "Normal" in self.window_state(app, window), 10, "the window did not come back")
        wait_until(lambda: any(e.get("event") == "unregistered" and e["service"] == service
                               for e in self.watcher_log()), 15, "hideIcon did not unregister the icon")

    def test_an_xembed_icon_stands_in_where_no_watcher_runs(self):
        # trayer: a small panel holding an XEmbed system tray.
        tray = subprocess.Popen(["trayer", "--edge", "bottom", "--widthtype", "pixel", "--width", "200",
                                 "--height", "32", "--SetDockType", "false"], env=self.display.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (tray.terminate(), tray.wait(5)))
        wait_until(lambda: subprocess.run(["xdotool", "search", "--class", "trayer"], env=self.display.env(),
                                          capture_output=True).stdout.strip(), 15, "trayer did not start")
        exe = self.build("menus", extra_files=IMAGES)
        app = self.start(exe, extra_env={"NO_AT_BRIDGE": "0"})
        window = app.window_id()
        self.go(1, 2)
        self.assertEqual(self.step(3)["show"], {"ok": True})

        def icon():
            for candidate in app.xdotool("search", "--pid", str(app.process.pid)).split():
                x, y, w, h = app.geometry(candidate)
                if candidate != window and y > 900 and w <= 64 and h <= 64:
                    return x, y, w, h
            return None

        x, y, w, h = wait_until(icon, 15, "no icon in the tray")
        app.xdotool("mousemove", str(x + w // 2), str(y + h // 2))
        time.sleep(0.2)
        app.xdotool("click", "1")
        self.wait_for_event(["icon"])
        app.xdotool("click", "3")
        self.click(app, self.menu_entry(app, "Show"))
        self.wait_for_event(["tray", "1"])
        self.go(3)
        self.assertEqual(self.step(4)["minimized"], {"ok": True})
        wait_until(lambda: "Iconic" not in self.window_state(app, window)
                   and "Normal" not in self.window_state(app, window), 10,
                   "the window was not hidden: " + self.window_state(app, window))

    def test_without_any_tray_the_window_is_minimized_not_hidden(self):
        exe = self.build("menus", extra_files=IMAGES)
        app = self.start(exe)
        window = app.window_id()
        self.go(1, 2)
        self.assertEqual(self.step(3)["show"], {"ok": True})
        self.go(3)
        self.assertEqual(self.step(4)["minimized"], {"ok": True})
        wait_until(lambda: "Iconic" in self.window_state(app, window), 10,
                   "not minimized: " + self.window_state(app, window))


if __name__ == "__main__":
    import unittest
    unittest.main()
