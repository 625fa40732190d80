"""What the start-up tools share: a private display, the benchmark's site and
one packaged application whose start page is the benchmark page of `mode`
(see bench/suites/engine.py)."""
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "suites"))
import engine as E  # noqa: E402


def env_of(spec):
    """KEY=V,KEY=V as a dict."""
    return dict(item.split("=", 1) for item in spec.split(",") if item)


class Bench:
    def __init__(self, mode):
        self.work = Path(tempfile.mkdtemp(prefix="zel-startup-"))
        self.display = E.Display()
        self.site = self.work / "site"
        E.make_site(self.site)
        (self.site / "index.html").write_text(E.page(mode))
        app = self.work / "app"
        shutil.copytree(self.site, app / "web")
        home = self.work / "home"
        (home / "run").mkdir(parents=True)
        os.chmod(home / "run", 0o700)
        self.env = dict(os.environ, DISPLAY=self.display.name,
                        DBUS_SESSION_BUS_ADDRESS=self.display.bus_address, NO_AT_BRIDGE="1",
                        WEBKIT_DISABLE_DMABUF_RENDERER="1", HOME=str(home),
                        XDG_DATA_HOME=str(home / "data"), XDG_CONFIG_HOME=str(home / "config"),
                        XDG_RUNTIME_DIR=str(home / "run"))
        (app / "zel.ini").write_text("[App]\nID=bench.engine\nName=bench\nDirName=web\n"
                                     f"DynamicAppTitle=1\nIndexHtml={mode}.html\n")
        self.exe = self.work / "x" / "bench-app"
        self.exe.parent.mkdir()
        subprocess.run([str(E.BIN / "zel"), "build", str(app), "-o", str(self.exe)], check=True,
                       stdout=subprocess.DEVNULL)

    def command(self, side):
        """The zel application, or the floor program for side "floor"."""
        if side == "floor":
            return [str(E.BIN / "zel_bench_floor"), str(self.site)]
        return [str(self.exe)]

    def close(self):
        self.display.close()
        shutil.rmtree(self.work, ignore_errors=True)
