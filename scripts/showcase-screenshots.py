#!/usr/bin/python3
"""Screenshots of the packaged showcase, page by page, driven through
WebKitWebDriver: `showcase-screenshots.py EXECUTABLE OUTPUT_PREFIX`.
Runs on the display in $DISPLAY; the whole screen is captured, window frame
and menu bar included."""

import socket
import subprocess
import sys
import time

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.webkitgtk.options import Options

executable, prefix = sys.argv[1], sys.argv[2]
with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
driver = subprocess.Popen(["WebKitWebDriver", f"--port={port}"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    time.sleep(0.5)
    options = Options()
    options.binary_location = executable
    options.add_argument("--automation")
    options.set_capability("browserName", "zel")
    session = webdriver.Remote(command_executor=f"http://127.0.0.1:{port}", options=options)
    try:
        time.sleep(2)
        shots = {"home": [], "files": ["files.writeTextFile", "files.fileExists", "files.deleteFile"],
                 "shell": ["shell.command", "shell.windows"], "themes": []}
        for page, calls in shots.items():
            session.find_element(By.CSS_SELECTOR, f'nav a[data-page="{page}"]').click()
            for name in calls:
                session.find_element(By.CSS_SELECTOR, f'button[data-function="{name}"]').click()
            if page == "themes":  # the host's title bar and menu bar in one of the themes
                session.execute_script("return zel.themes.setTheme({name: 'Windows10 Dark'})")
            time.sleep(1.5)
            session.execute_script("window.scrollTo(0, 0)")
            time.sleep(0.3)
            path = f"{prefix}-{page}.png"
            subprocess.run(["import", "-window", "root", path], check=True)
            print(f"Screenshot of the {page} page: {path}")
    finally:
        session.quit()
finally:
    driver.terminate()
    driver.wait()
