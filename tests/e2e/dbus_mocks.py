"""Private D-Bus buses and python3-dbusmock services for end-to-end tests.

A PrivateBus has no activatable services, so a name nobody owns stays
unowned (a notification service installed on the machine is never started),
and listens on a socket path, which other network namespaces reach too.
"""

import json
import subprocess
import tempfile
from pathlib import Path

import dbus

from harness import stop_processes, wait_until

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

MOCK_INTERFACE = "org.freedesktop.DBus.Mock"


class PrivateBus:
    """A dbus-daemon of the test's own, stopped with close()."""

    def __init__(self, folder):
        self.folder = Path(tempfile.mkdtemp(prefix="bus-", dir=folder))
        config = self.folder / "bus.conf"
        config.write_text(BUS_CONFIG.format(folder=self.folder))
        self.process = subprocess.Popen(["dbus-daemon", f"--config-file={config}", "--nofork", "--print-address"],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.process.stdout.readline().strip()
        if not self.address:
            raise RuntimeError("dbus-daemon did not start")
        self._mocks = []
        self._connection = None

    def connection(self):
        if self._connection is None:
            self._connection = dbus.bus.BusConnection(self.address)
        return self._connection

    def start_mock(self, template, name, path, parameters=None):
        """Starts the dbusmock template on this bus and waits for its name."""
        command = ["/usr/bin/python3", "-m", "dbusmock", "--session", "--template", template]
        if parameters:
            command += ["--parameters", json.dumps(parameters)]
        env = {"DBUS_SESSION_BUS_ADDRESS": self.address, "PATH": "/usr/bin:/bin"}
        process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._mocks.append(process)
        wait_until(lambda: self.connection().name_has_owner(name) or process.poll() is not None, 30,
                   f"dbusmock {template} did not start")
        if process.poll() is not None:
            raise RuntimeError(f"dbusmock {template} ended with {process.returncode}")
        return Mock(self.connection(), name, path, process)

    def close(self):
        stop_processes([*self._mocks, self.process])
        self.process.stdout.close()
        if self._connection is not None:
            self._connection.close()


class Mock:
    """One dbusmock service: its recorded calls, new methods, signals."""

    def __init__(self, connection, name, path, process):
        self.name = name
        self.process = process
        self.control = dbus.Interface(connection.get_object(name, path), MOCK_INTERFACE)

    def calls(self, method):
        """The arguments of each call of `method`, oldest first."""
        return [list(args) for _, args in self.control.GetMethodCalls(method)]

    def add_method(self, interface, method, in_signature, out_signature, code):
        self.control.AddMethod(interface, method, in_signature, out_signature, code)

    def emit(self, interface, signal, signature, args):
        self.control.EmitSignal(interface, signal, signature, args)
