#!/usr/bin/env python3
"""Holds the include rule of ARCHITECTURE.md, run by ctest.

(a) A folder includes only folders below it in the folder map of ARCHITECTURE.md's "Layout"
    section; the order is read from the document, so the map and the rule cannot drift apart.
(b) Core code (every src/ folder except src/*/ui, src/widgets and src/app) includes no header of
    QtWidgets or of a QtWebEngine module; the names come from the installed Qt include folders.
(c) A window folder (src/X/ui, src/widgets) includes no other subsystem's window folder: only
    src/app, which composes the program, opens every window.

    check-includes.py --root REPO --qt-headers QT_INCLUDE_DIR [--self-test]
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

APP = "app"
WINDOWS = "*/ui"
WIDGETS = "widgets"
FORBIDDEN_MODULES = re.compile(r"^(QtWidgets|QtWebEngine\w*)$")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
MAP_LINE = re.compile(r"^src/(\S+?)/\s")


def read_folder_order(architecture):
    """The folders of the map, top (may include everything below) to bottom."""
    with open(architecture, encoding="utf-8") as f:
        lines = f.read().splitlines()
    in_layout = False
    in_block = False
    order = []
    for line in lines:
        if line.startswith("## "):
            if order:
                break
            in_layout = line.strip() == "## Layout"
            continue
        if not in_layout:
            continue
        if line.startswith("```"):
            if in_block:
                break
            in_block = True
            continue
        if in_block:
            m = MAP_LINE.match(line)
            if m:
                folder = m.group(1)
                order.append(WINDOWS if folder == "<subsystem>/ui" else folder)
    return order


def forbidden_headers(qt_headers):
    """Header names only QtWidgets or a QtWebEngine module provides (a name QtGui also has is not)."""
    forbidden = set()
    allowed = set()
    for module in sorted(os.listdir(qt_headers)):
        path = os.path.join(qt_headers, module)
        if not os.path.isdir(path):
            continue
        names = {n for n in os.listdir(path) if os.path.isfile(os.path.join(path, n))}
        (forbidden if FORBIDDEN_MODULES.match(module) else allowed).update(names)
    return forbidden - allowed


def unit_of(path):
    """The folder of the map a src-relative path belongs to, and its subsystem."""
    parts = path.split("/")
    if parts[0] == APP:
        return APP, APP
    if len(parts) >= 3 and parts[1] == "ui":
        return WINDOWS, parts[0]
    return parts[0], parts[0]


def is_window_unit(unit):
    return unit in (WINDOWS, WIDGETS)


def is_core_unit(unit):
    return unit not in (APP, WINDOWS, WIDGETS)


def check(root, qt_headers):
    """Returns (violations, summary); each violation is 'file:line: text'."""
    architecture = os.path.join(root, "ARCHITECTURE.md")
    order = read_folder_order(architecture)
    if WINDOWS not in order:
        return [f"{architecture}: the Layout section's folder map has no src/<subsystem>/ui/ line"], ""
    rank = {folder: i for i, folder in enumerate(order)}
    headers = forbidden_headers(qt_headers)
    if not headers:
        return [f"{qt_headers}: no QtWidgets or QtWebEngine headers found there"], ""

    src = os.path.join(root, "src")
    src_folders = {d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d))}
    known = src_folders | {f for f in order if f != WINDOWS}
    violations = []
    files = 0
    includes = 0
    for dirpath, dirnames, filenames in os.walk(src):
        dirnames.sort()
        for name in sorted(filenames):
            if not name.endswith((".h", ".cpp")):
                continue
            full = os.path.join(dirpath, name)
            rel = os.path.relpath(full, src).replace(os.sep, "/")
            shown = "src/" + rel
            unit, subsystem = unit_of(rel)
            files += 1
            if unit not in rank:
                violations.append(
                    f"{shown}:1: folder src/{rel.split('/')[0]}/ is not in ARCHITECTURE.md's folder map "
                    f"[rule: every folder has its place in the map]")
                continue
            with open(full, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    bracket, target = m.group(1), m.group(2).strip()
                    where = f"{shown}:{number}: #include {line.strip().split(None, 1)[1].strip()}"
                    top = target.split("/")[0]
                    if is_core_unit(unit) and (FORBIDDEN_MODULES.match(top) or target in headers):
                        violations.append(
                            f"{where}: core code in src/{subsystem}/ includes a QtWidgets/QtWebEngine "
                            f"header [rule (b): only src/*/ui, src/widgets and src/app use widgets]")
                        continue
                    if bracket == "<" or "/" not in target or top not in known:
                        continue
                    includes += 1
                    target_unit, target_subsystem = unit_of(target)
                    if target_unit not in rank:
                        violations.append(
                            f"{where}: folder src/{target.split('/')[0]}/ is not in ARCHITECTURE.md's "
                            f"folder map [rule: every folder has its place in the map]")
                    elif (is_window_unit(unit) and target_unit == WINDOWS
                          and target_subsystem != subsystem):
                        violations.append(
                            f"{where}: {'src/widgets' if unit == WIDGETS else f'src/{subsystem}/ui'} "
                            f"includes another subsystem's windows (src/{target_subsystem}/ui) "
                            f"[rule (c): only src/app opens other subsystems' windows]")
                    elif rank[target_unit] < rank[unit]:
                        violations.append(
                            f"{where}: {describe(unit, subsystem)} includes {describe(target_unit, target_subsystem)}, "
                            f"which is above it in ARCHITECTURE.md's folder map "
                            f"[rule (a): includes point down the map]")
    summary = (f"include rule: {files} files, {includes} includes of project folders checked; "
               f"order {' > '.join(order)}")
    return violations, summary


def describe(unit, subsystem):
    return f"src/{subsystem}/ui" if unit == WINDOWS else f"src/{unit}"


def run_check(root, qt_headers):
    violations, summary = check(root, qt_headers)
    for v in violations:
        print(v)
    if violations:
        print(f"{len(violations)} include rule violation(s); see ARCHITECTURE.md, section Layout")
        return 1
    print(summary)
    return 0


# --- self-test: the check run on a made-up tree ------------------------------------------------

SELF_TEST_MAP = """# Test

## Layout

```
src/app/         the composition root
src/<subsystem>/ui/   windows
src/widgets/     shared window parts
src/renewal/     runs
src/toc/         lists
src/text/        text
data/            not a source folder
```

## Next
```
src/text/        a later block is not the map
```
"""

CLEAN_TREE = {
    "src/app/main.cpp": '#include "app/ui/frmbook.h"\n#include "renewal/job.h"\n#include <QApplication>\n',
    "src/app/ui/frmbook.h": '#include "renewal/ui/frmrenew.h"\n#include "toc/ui/frmlist.h"\n',
    "src/renewal/ui/frmrenew.h": '#include "widgets/messages.h"\n#include "renewal/job.h"\n#include <QDialog>\n',
    "src/toc/ui/frmlist.h": '#include "toc/reader.h"\n#include <QWebEngineView>\n',
    "src/widgets/messages.h": '#include "renewal/job.h"\n#include <QMessageBox>\n',
    "src/renewal/job.h": '#include "toc/reader.h"\n#include "text/html.h"\n#include <QString>\n#include "ui_x.h"\n',
    "src/toc/reader.h": '#pragma once\n#include "text/html.h"\n#include <QtCore/QString>\n',
    "src/text/html.h": "#pragma once\n#include <QRegularExpression>\n",
}


def run_tree(files, architecture, qt_headers):
    with tempfile.TemporaryDirectory() as root:
        with open(os.path.join(root, "ARCHITECTURE.md"), "w", encoding="utf-8") as f:
            f.write(architecture)
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as f:
                f.write(text)
        done = subprocess.run([sys.executable, os.path.abspath(__file__), "--root", root,
                               "--qt-headers", qt_headers], capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr


def self_test(qt_headers):
    swapped = SELF_TEST_MAP.replace("src/toc/         lists\nsrc/text/        text\n",
                                    "src/text/        text\nsrc/toc/         lists\n")
    # name, changed files, document, expected exit code, expected lines of the output
    cases = [
        ("clean tree", {}, SELF_TEST_MAP, 0, ["order app > */ui > widgets > renewal > toc > text"]),
        ("core includes <QWidget>", {"src/toc/reader.h": '#pragma once\n#include <QWidget>\n'},
         SELF_TEST_MAP, 1,
         ["src/toc/reader.h:2: #include <QWidget>: core code in src/toc/ includes a QtWidgets/QtWebEngine "
          "header [rule (b)"]),
        ("core includes a module path", {"src/text/html.h": "#include <QtWidgets/QLabel>\n"},
         SELF_TEST_MAP, 1, ["src/text/html.h:1: #include <QtWidgets/QLabel>: core code in src/text/"]),
        ("core includes a web engine class", {"src/renewal/job.h": "\n#include <QWebEngineProfile>\n"},
         SELF_TEST_MAP, 1, ["src/renewal/job.h:2: #include <QWebEngineProfile>: core code in src/renewal/"]),
        ("lower folder includes a higher one", {"src/text/html.h": '#include "toc/reader.h"\n'},
         SELF_TEST_MAP, 1,
         ['src/text/html.h:1: #include "toc/reader.h": src/text includes src/toc, which is above it in '
          "ARCHITECTURE.md's folder map [rule (a)"]),
        ("the order comes from the document", {"src/text/html.h": '#include "toc/reader.h"\n'},
         swapped, 1,
         ['src/toc/reader.h:2: #include "text/html.h": src/toc includes src/text, which is above it']),
        ("core includes its windows", {"src/toc/reader.h": '#include "toc/ui/frmlist.h"\n'},
         SELF_TEST_MAP, 1, ['src/toc/reader.h:1: #include "toc/ui/frmlist.h": src/toc includes src/toc/ui']),
        ("shared parts include a window", {"src/widgets/messages.h": '#include "toc/ui/frmlist.h"\n'},
         SELF_TEST_MAP, 1,
         ['src/widgets/messages.h:1: #include "toc/ui/frmlist.h": src/widgets includes another '
          "subsystem's windows (src/toc/ui) [rule (c)"]),
        ("window opens another subsystem's window",
         {"src/renewal/ui/frmrenew.h": '#include "widgets/messages.h"\n#include "toc/ui/frmlist.h"\n'},
         SELF_TEST_MAP, 1,
         ['src/renewal/ui/frmrenew.h:2: #include "toc/ui/frmlist.h": src/renewal/ui includes another '
          "subsystem's windows (src/toc/ui) [rule (c)"]),
        ("window includes the app", {"src/toc/ui/frmlist.h": '#include "app/ui/frmbook.h"\n'},
         SELF_TEST_MAP, 1, ['src/toc/ui/frmlist.h:1: #include "app/ui/frmbook.h": src/toc/ui includes src/app']),
        ("folder missing from the map", {"src/fetch/fetcher.h": '#include "text/html.h"\n'},
         SELF_TEST_MAP, 1, ["src/fetch/fetcher.h:1: folder src/fetch/ is not in ARCHITECTURE.md's folder map"]),
        ("document without a map", {}, "# Test\n\nno map\n", 1, ["has no src/<subsystem>/ui/ line"]),
    ]
    failures = 0
    for name, changes, architecture, code, expected in cases:
        files = dict(CLEAN_TREE)
        files.update(changes)
        got_code, output = run_tree(files, architecture, qt_headers)
        problems = []
        if got_code != code:
            problems.append(f"exit code {got_code}, expected {code}")
        problems += [f"missing: {line}" for line in expected if line not in output]
        if code == 1 and "violation" not in output and "no src/<subsystem>/ui/" not in output:
            problems.append("no count of violations")
        status = "PASS" if not problems else "FAIL"
        print(f"{status}: {name}")
        if problems:
            failures += 1
            for p in problems:
                print(f"    {p}")
            print("    output was:\n" + "\n".join("      " + l for l in output.splitlines()))
    print(f"{len(cases) - failures} passed, {failures} failed")
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--qt-headers", default="/usr/include/x86_64-linux-gnu/qt6")
    parser.add_argument("--self-test", action="store_true", help="run the check on made-up trees")
    args = parser.parse_args()
    if not os.path.isdir(args.qt_headers):
        print(f"{args.qt_headers}: no such Qt include folder")
        return 2
    if args.self_test:
        return self_test(args.qt_headers)
    return run_check(os.path.abspath(args.root), args.qt_headers)


if __name__ == "__main__":
    sys.exit(main())
