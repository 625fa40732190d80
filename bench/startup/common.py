"""What the start-up tools share: a private display, the benchmark's site and
one packaged application whose start page is the benchmark page of `mode`
(see bench/suites/engine.py)."""
import shutil
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
        self.env = E.private_environment(self.display, self.work / "home")
        self.exe = E.package_app(app, mode, self.work / "x" / "bench-app")

    def command(self, side):
        """The zel application, or the floor program for side "floor"."""
        if side == "floor":
            return [str(E.BIN / "zel_bench_floor"), str(self.site)]
        return [str(self.exe)]

    def close(self):
        self.display.close()
        shutil.rmtree(self.work, ignore_errors=True)
