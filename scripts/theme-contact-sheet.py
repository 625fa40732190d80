#!/usr/bin/env python3
"""Draws every theme on one image: a small packaged window (title bar, menu
bar, page) per theme, shown under Xvfb and openbox and switched at run time
through zel.themes.setTheme, then laid out with ImageMagick's montage.

Usage: scripts/theme-contact-sheet.py [--bin BUILD/bin] [--output docs/themes.png]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=str(ROOT / "build" / "bin"),
                        help="folder with zel, zel-runtime and the engine libraries (default: build/bin)")
    parser.add_argument("--output", default=str(ROOT / "docs" / "themes.png"), help="image to write")
    options = parser.parse_args()
    if not (Path(options.bin) / "zel").exists():
        sys.exit(f"no zel in {options.bin}: build first, or name the folder with --bin")
    os.environ["ZEL_BIN_DIR"] = options.bin
    sys.path.insert(0, str(ROOT / "tests" / "e2e"))
    import harness  # after ZEL_BIN_DIR is set: it reads the folder at import

    work = Path(tempfile.mkdtemp(prefix="zel-themes-"))
    display = None
    app = None
    try:
        source = work / "source"
        shutil.copytree(ROOT / "tests" / "e2e" / "apps" / "themes", source)
        (source / "zel.ini").write_text(
            "[App]\nID=dev.zel.themes.sheet\nName=Themes\nDirName=app\nWidth=340\nHeight=200\n", encoding="utf-8")
        executable = harness.build_app(source, work / "themes")
        home = work / "home"
        (home / "run").mkdir(parents=True, mode=0o700)
        display = harness.Display(window_manager=True, runtime_dir=home / "run")
        app = harness.App(display, executable, home, args=["--every-theme"])
        window = app.window_id()

        case = harness.E2ETestCase()
        case.work = work
        start = case.step(0)
        names = start["themes"]["ok"]
        case.go(0)
        tiles = []
        for n, name in enumerate(names, start=1):
            report = case.step(n)
            if report["theme"] != {"ok": name}:
                sys.exit(f"theme {name} did not apply: {report}")
            x, y, width, height = app.geometry(window)
            tile = work / f"tile-{n:02}.png"
            subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                            str(tile)], env=display.env(), check=True)
            tiles.append((tile, name))
            case.go(n)
        montage = ["montage", "-font", "DejaVu-Sans", "-pointsize", "13"]
        for tile, name in tiles:
            montage += ["-label", name, str(tile)]
        montage += ["-tile", "5x", "-geometry", "+8+8", "-background", "#d8d8d8", options.output]
        subprocess.run(montage, check=True)
        print(f"wrote {options.output} ({len(tiles)} themes)")
    finally:
        if app:
            app.kill()
        if display:
            display.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
