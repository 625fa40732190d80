"""File, folder and base64 functions and the file dialogs in the packaged
application tests/e2e/apps/files, which writes what its calls answered to
results.json beside the executable."""

import json
import time
import unittest

from harness import E2ETestCase, wait_until

BOM = b"\xef\xbb\xbf"


class FileFunctionsTest(E2ETestCase):
    def test_files_folders_and_base64_act_beside_the_executable(self):
        exe = self.build("files")
        (self.work / "keep.txt").write_bytes(b"keep me")
        (self.work / "gone" / "sub").mkdir(parents=True)
        (self.work / "gone" / "sub" / "f.txt").write_text("f")
        app = self.start(exe)
        app.wait_for_caption(app.window_id(), lambda caption: caption == "done", 40)
        results = json.loads((self.work / "results.json").read_bytes()[len(BOM):])
        exe_dir = f"{self.work}/"
        self.assertEqual(results, {
            "exeDir": exe_dir,
            "write": ["resolved", True],
            "fileExists": ["resolved", True],
            "folderIsNoFile": ["resolved", False],
            "dirExists": ["resolved", True],
            "decode": ["resolved", True],
            "extract": ["resolved", True],
            "notFound": ["rejected", "File not found"],
            "missing": ["rejected", "Missing filePath"],
            "deleteFile": ["resolved", True],
            "deleteDir": ["resolved", True],
            "bigWrite": ["resolved", True],
            "afterBig": ["resolved", True],
            "bigDecode": ["resolved", True],
            "tempDir": ["resolved", "/tmp/"],
            "appDataDir": ["resolved", f"{self.home}/.config/"],
        })
        self.assertEqual((self.work / "out/a/b.txt").read_bytes(), BOM + b"one\r\ntwo\r\n")
        self.assertEqual((self.work / "extracted.txt").read_bytes(), b"Sample entry\nsecond line\n")
        self.assertEqual((self.work / "keep.txt").read_bytes(), b"keep me")
        unit = "caf\u00e9 \U0001F600 \"q\" \\ \t\x01\x1f\b line\r\n"
        big = "a" * 4194303 + "\U0001F600" + "b" * 10 + unit * 1000 + "end\r\n"
        self.assertTrue((self.work / "out/big.txt").read_bytes() == BOM + big.encode())
        self.assertTrue((self.work / "out/big.bin").read_bytes() ==
                        bytes((i * 7) % 251 for i in range(1200000)))
        self.assertFalse((self.work / "out/bin.dat").exists())  # decoded to b"AB", then deleted
        self.assertFalse((self.work / "gone").exists())
        # Replacements leave no temporary files behind.
        self.assertEqual(sorted(p.name for p in self.work.iterdir() if p.name.startswith(".")), [])


class FileDialogsTest(E2ETestCase):
    window_manager = True  # keyboard focus for the dialogs

    def dialog(self, app, title):
        """Waits for the dialog titled `title` and gives it the keyboard."""
        window = wait_until(lambda: app.xdotool("search", "--onlyvisible", "--name", f"^{title}$"),
                            20, f"no dialog titled {title}").split()[0]
        app.xdotool("windowactivate", "--sync", window)
        return window

    def type_path(self, app, path):
        """Types `path` into the focused entry and presses Enter once the
        entry's completion has settled."""
        app.xdotool("type", str(path))
        time.sleep(0.5)
        app.xdotool("key", "Return")

    def visible_windows(self, app):
        return len(app.xdotool("search", "--onlyvisible", "--pid", str(app.process.pid)).split())

    def test_dialogs_answer_paths_refuse_a_second_dialog_and_prompt_only_on_request(self):
        exe = self.build("files")
        (self.work / "dialogs.flag").write_text("run the dialog scenario")
        (self.work / "chosen.txt").write_text("exists already")
        (self.work / "picked").mkdir()
        app = self.start(exe)
        main = app.window_id()

        # An existing file without overwritePrompt: chosen at once.
        self.dialog(app, "E2E save")
        app.wait_for_caption(main, lambda caption: caption == "second answered")
        app.xdotool("key", "ctrl+a")
        self.type_path(app, self.work / "chosen.txt")
        app.wait_for_caption(main, lambda caption: caption == "overwrite dialog")

        # With overwritePrompt the same choice asks first.
        self.dialog(app, "E2E overwrite")
        before = self.visible_windows(app)
        self.type_path(app, self.work / "chosen.txt")
        wait_until(lambda: self.visible_windows(app) > before, 20, "no overwrite question")
        self.assertEqual(app.caption(main), "overwrite dialog")
        app.xdotool("key", "alt+r")  # Replace

        self.dialog(app, "E2E folder")
        app.xdotool("key", "ctrl+l")
        self.type_path(app, self.work / "picked")

        self.dialog(app, "Open file")  # the default title
        app.xdotool("key", "Escape")
        app.wait_for_caption(main, lambda caption: caption == "done")

        results = json.loads((self.work / "results.json").read_bytes()[len(BOM):])
        self.assertEqual(results, {
            "secondWhileOpen": ["rejected", "A file dialog is already open."],
            "save": ["resolved", f"{self.work}/chosen.txt"],
            "overwrite": ["resolved", f"{self.work}/chosen.txt"],
            "folder": ["resolved", f"{self.work}/picked/"],
            "open": ["resolved", ""],
        })
        self.assertEqual((self.work / "chosen.txt").read_text(), "exists already")


if __name__ == "__main__":
    unittest.main()
