"""A StatusNotifierWatcher for tests: owns org.kde.StatusNotifierWatcher on
the session bus, accepts registrations and reports, one JSON line each on
standard output, every item registered and every registered item whose bus
name goes away."""

import json
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

XML = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""
PATH = "/StatusNotifierWatcher"
INTERFACE = "org.kde.StatusNotifierWatcher"

items = {}  # service -> subscription id


def report(**event):
    print(json.dumps(event), flush=True)


def name_owner_changed(connection, sender, path, interface, signal, parameters):
    name, old, new = parameters.unpack()
    if name in items and not new:
        connection.signal_unsubscribe(items.pop(name))
        connection.emit_signal(None, PATH, INTERFACE, "StatusNotifierItemUnregistered", GLib.Variant("(s)", (name,)))
        report(event="unregistered", service=name)


def method_call(connection, sender, path, interface, method, parameters, invocation):
    if method == "RegisterStatusNotifierItem":
        service = parameters.unpack()[0]
        # A path alone names an object of the sender (the other usage).
        name = sender if service.startswith("/") else service
        if name not in items:
            items[name] = connection.signal_subscribe(
                "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged", "/org/freedesktop/DBus",
                name, Gio.DBusSignalFlags.NONE, name_owner_changed)
        invocation.return_value(None)
        connection.emit_signal(None, PATH, INTERFACE, "StatusNotifierItemRegistered", GLib.Variant("(s)", (name,)))
        report(event="registered", service=service, sender=sender)
    else:
        invocation.return_value(None)


def get_property(connection, sender, path, interface, name):
    if name == "RegisteredStatusNotifierItems":
        return GLib.Variant("as", list(items))
    if name == "IsStatusNotifierHostRegistered":
        return GLib.Variant("b", True)
    return GLib.Variant("i", 0)


def main():
    address = sys.argv[1]
    connection = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None, None)
    info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
    connection.register_object(PATH, info, method_call, get_property, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(connection, INTERFACE, Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: report(event="ready"), lambda *a: loop.quit())
    loop.run()


if __name__ == "__main__":
    main()
