#!/usr/bin/env python3
"""Fails on any #include that goes against the floors of the source tree.

Every folder at the top of the tree is a floor or sits beside one; ALLOWED
names, for each, the folders its files may include from (includes of a
file's own folder are always allowed). A quoted include without a folder
names a file beside the including one (or one generated into its build
folder).

The portable floors also keep the OS behind their win32/ and linux/
folders: outside them, a file includes no OS library header (Windows,
POSIX, hivex) and nothing from a win32/ or linux/ folder, so both builds
compile all of it.

Usage: scripts/check-layers.py [source root]   (default: the repository)
Prints one line per include against the table and exits 1 when there is any.
"""

import pathlib
import re
import sys

# The floors, bottom up:
#   platform            the OS: interfaces, Win32 implementations, RAII handles
#   button              the skinned push button
#   shell               the window kit (Form, chrome, navigation, report list)
#   scan repair profile the cores; they know nothing of windows
#   app                 the program: main, the windows, the services assembly
#   cli bench tools     beside the program, on the cores
#   testing             test doubles; never linked into the program
#   tests               the tests, which may reach every floor
CORES = {"scan", "repair", "profile"}
BELOW_APP = {"platform", "button", "shell"} | CORES

ALLOWED = {
    "platform": set(),
    "button": {"platform"},
    "shell": {"platform", "button"},
    "scan": {"platform"},
    # The repair reads the scan's rows (scan/error_list.h) and writes its
    # figures to the profile store.
    "repair": {"platform", "scan", "profile"},
    "profile": {"platform"},
    "app": BELOW_APP,
    # The command line shares the program's one assembly of system services.
    "cli": {"platform"} | CORES | {"app"},
    # The benchmarks measure the scan, and the scan window on the real registry.
    "bench": BELOW_APP | {"app", "testing"},
    "tools": {"platform", "button", "testing"},
    "testing": BELOW_APP,
    "tests": BELOW_APP | {"app", "cli", "testing"},
}

# Floors whose code outside win32/ and linux/ builds for both systems (the
# command line's shared flows among them; its two mains live in cli/win32/
# and cli/linux/).
PORTABLE = {"platform", "button", "scan", "repair", "profile", "testing", "cli"}
OS_FOLDERS = {"win32", "linux"}
OS_HEADER = re.compile(
    r"^\s*#\s*include\s*<("
    # Windows
    r"windows|windowsx|winreg|winbase|winuser|wingdi|shellapi|shlwapi|shlobj|sddl|"
    r"commctrl|commdlg|wininet|winsock2|ws2tcpip|uxtheme|psapi|objbase|tlhelp32|"
    # POSIX and the hive library
    r"hivex|unistd|dirent|fcntl|pwd|grp|dlfcn|poll|termios|pthread|spawn|sys/[\w/]+"
    r")\.h>",
    re.IGNORECASE,
)

SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".inl", ".rc", ".in"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
# Build output and tool state are not sources.
SKIPPED = {"build", ".git", ".cache", "out"}


def folder_of(relative: pathlib.PurePosixPath) -> str:
    return relative.parts[0] if len(relative.parts) > 1 else ""


def check(root: pathlib.Path) -> list[str]:
    problems = []
    for path in sorted(root.rglob("*")):
        relative = pathlib.PurePosixPath(path.relative_to(root).as_posix())
        if relative.parts[0] in SKIPPED or relative.parts[0].startswith("build"):
            continue
        if not path.is_file() or path.suffix not in SOURCE_SUFFIXES:
            continue
        floor = folder_of(relative)
        if floor == "":
            continue
        allowed = ALLOWED.get(floor)
        portable = floor in PORTABLE and not OS_FOLDERS & set(relative.parts[:-1])
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), start=1):
            if portable and OS_HEADER.match(line):
                problems.append(f"{relative}:{number}: portable {floor}/ code includes an OS header")
                continue
            match = INCLUDE.match(line)
            if not match:
                continue
            target = pathlib.PurePosixPath(match.group(1))
            if portable and OS_FOLDERS & set(target.parts[:-1]):
                problems.append(f"{relative}:{number}: portable {floor}/ code may not include {target}")
                continue
            if len(target.parts) == 1:
                continue  # beside the including file
            target_floor = target.parts[0]
            if allowed is None:
                problems.append(f"{relative}:{number}: folder {floor}/ is not in the layer table")
                break
            if target_floor == floor or target_floor in allowed:
                continue
            problems.append(f"{relative}:{number}: {floor}/ may not include {target}")
    return problems


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    problems = check(root.resolve())
    for p in problems:
        print(p)
    if problems:
        print(f"check-layers: {len(problems)} include(s) against the floors")
        return 1
    print("check-layers: every include follows the floors")
    return 0


if __name__ == "__main__":
    sys.exit(main())
