#!/usr/bin/env python3
"""The include-floor check on small trees: it must refuse what goes against
the floors and let through what follows them."""

import importlib.util
import pathlib
import sys
import tempfile
import unittest

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "check-layers.py"
module_spec = importlib.util.spec_from_file_location("check_layers", SCRIPT)
check_layers = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(check_layers)

# (file, line in it, refused?)
CASES = [
    ("platform/win32/handles.h", '#include "platform/text.h"', False),
    ("platform/registry.h", '#include "scan/rules.h"', True),
    ("button/win32/command_window.cpp", '#include "platform/win32/wide.h"', False),
    ("button/command.cpp", '#include "shell/form.h"', True),
    ("shell/form.cpp", '#include "button/win32/command_window.h"', False),
    ("shell/form.cpp", '#include "app/window_factory.h"', True),
    ("scan/win32/form_repair.cpp", '#include "repair/repair_run.h"', True),
    ("scan/rules.cpp", '#include "shell/services.h"', True),
    ("repair/repair_run.cpp", '#include "scan/error_list.h"', False),
    ("repair/repair_run.cpp", '#include "profile/profile_store.h"', False),
    ("profile/win32/form_settings.h", '#include "shell/navigation_form.h"', True),
    ("profile/profile_store.cpp", '#include "repair/reg_file.h"', True),
    ("app/main.cpp", '#include "shell/form.h"', False),
    ("app/main.cpp", '#include "testing/software_canvas.h"', True),
    ("cli/win32/scan_run.cpp", '#include "shell/services.h"', True),
    ("testing/memory_file_system.cpp", '#include "app/main.h"', True),
    ("tests/scan/rules_test.cpp", '#include "testing/memory_file_system.h"', False),
    ("demo/seed.cpp", '#include "scan/rules.h"', True),  # a folder the table does not know
    ("shell/form.cpp", '#include "../app/factory.h"', True),
    ("shell/form.cpp", '#include "shell_config.h"', False),  # beside it or generated
    ("shell/form.cpp", "#include <windows.h>", False),
    ("scan/rules.cpp", '  #  include "shell/chrome.h"', True),
    ("scan/rules.cpp", '// #include "shell/chrome.h"', False),
    # Windows stays behind the win32/ folders of the portable floors.
    ("platform/text.cpp", "#include <windows.h>", True),
    ("repair/code_page.cpp", "#include <Windows.h>", True),
    ("button/painting.cpp", "#include <commctrl.h>", True),
    ("scan/rules.cpp", '#include "platform/win32/wide.h"', True),
    ("platform/win32/wide.cpp", "#include <windows.h>", False),
    ("repair/win32/code_page.cpp", '#include "platform/win32/wide.h"', False),
    ("scan/rules.cpp", "#include <string>", False),
    ("cli/win32/console.cpp", "#include <windows.h>", False),
    ("app/main.cpp", '#include "platform/win32/handles.h"', False),
    # The Linux system and the hive library stay behind the linux/ folders.
    ("testing/hive_fixture.h", "#include <hivex.h>", True),
    ("platform/registry.cpp", "#include <unistd.h>", True),
    ("repair/backup_list.cpp", "#include <sys/stat.h>", True),
    ("cli/scan_report.cpp", "#include <dirent.h>", True),
    ("scan/rules.cpp", '#include "platform/linux/handles.h"', True),
    ("platform/linux/hive_file.cpp", "#include <hivex.h>", False),
    ("testing/linux/hive_fixture.h", "#include <hivex.h>", False),
    ("cli/linux/main.cpp", "#include <unistd.h>", False),
    ("cli/linux/main.cpp", '#include "platform/linux/wine_prefix.h"', False),
]


class CheckLayers(unittest.TestCase):
    def test_each_include_alone(self):
        for path, line, refused in CASES:
            with self.subTest(path=path, line=line), tempfile.TemporaryDirectory() as root:
                file = pathlib.Path(root, path)
                file.parent.mkdir(parents=True)
                file.write_text(f"// {path}\n{line}\n", encoding="utf-8")
                problems = check_layers.check(pathlib.Path(root))
                self.assertEqual(bool(problems), refused, problems)
                if refused:
                    self.assertTrue(problems[0].startswith(f"{path}:2:"), problems)

    def test_build_folders_are_not_sources(self):
        with tempfile.TemporaryDirectory() as root:
            for folder in ("build/win/shell", "build-asan/scan"):
                file = pathlib.Path(root, folder, "x.cpp")
                file.parent.mkdir(parents=True)
                file.write_text('#include "app/main.h"\n', encoding="utf-8")
            self.assertEqual(check_layers.check(pathlib.Path(root)), [])


if __name__ == "__main__":
    sys.exit(unittest.main())
