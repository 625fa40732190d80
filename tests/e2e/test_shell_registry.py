"""shell.* and registry.* from a packaged application's page."""

import json
import os
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import BIN_DIR, E2ETestCase  # noqa: E402


class ShellRegistryTest(E2ETestCase):
    def zel_reg(self, *args):
        env = dict(os.environ, XDG_CONFIG_HOME=str(self.home / ".config"))
        return subprocess.run([str(BIN_DIR / "zel"), "reg", *args], env=env, capture_output=True,
                              text=True, timeout=30)

    def test_page_uses_shell_and_registry(self):
        self.assertEqual(self.zel_reg("add", "Software\\ZelE2E\\Types", "Count", "7", "--type", "dword").returncode, 0)
        app = self.start(self.build("shell-registry"))
        window = app.window_id()
        caption = app.wait_for_caption(window, lambda c: c.startswith("RESULT "), timeout=60)
        r = json.loads(caption[len("RESULT "):])

        self.assertEqual(r["echo"], {"ok": "hello\n"})
        self.assertEqual(r["stderr"], {"ok": "oops\n"})
        self.assertEqual(r["quotes"], {"ok": 'say "hi" C:\\dir'})
        self.assertEqual(r["missingDir"], {"ok": ""})
        self.assertEqual(r["utf8"], {"ok": "h\u00e9llo \u20ac"})
        self.assertEqual(r["noCommand"], {"err": "Missing command"})
        self.assertEqual(r["order"], ["hello", "slow"])
        self.assertEqual(r["executeMissing"], {"err": "No such file or directory"})
        self.assertIn("Shell and registry checks", r["windows"]["ok"])
        self.assertNotIn("", r["windows"]["ok"])

        self.assertEqual(r["write"], {"ok": True})
        self.assertEqual(r["read"], {"ok": 'h\u00e9llo "q"'})
        self.assertEqual(r["readMissing"], {"ok": ""})
        self.assertEqual(r["keyExist"], {"ok": True})
        self.assertEqual(r["noName"], {"err": "Missing value name."})
        self.assertEqual(r["dword"], {"ok": "<pending>"})
        self.assertEqual(r["afterDword"], {"ok": "2024.10"})
        self.assertEqual(r["write2"], {"ok": True})
        self.assertEqual(r["deleteKey"], {"ok": True})
        self.assertEqual(r["deleteKeyAgain"], {"ok": False})

        # The page's value is in the store that `zel reg` reads.
        query = self.zel_reg("query", "Software\\ZelE2E\\App", "Greeting")
        self.assertEqual(query.returncode, 0, query.stderr)
        self.assertIn('REG_SZ    h\u00e9llo "q"', query.stdout)


if __name__ == "__main__":
    unittest.main()
