#!/usr/bin/env python3
"""Checks the layering of lib/: the pure layer (core/) includes neither GIMP
nor GTK nor anything of the GIMP layer, no two modules share a name, and no
modules depend on each other in a circle once the re-entry edges listed in
the allowance file are taken out. A listed edge that no longer exists is a
fault too, so that the allowance never outlives its reason.

A module is a header and its source file (qv_render.h with qv_render.cpp),
wherever they stand below LIB_DIR; module A depends on module B when A's
header or source includes B's header. An allowance line reads "A -> B".

  include_graph.py LIB_DIR ALLOWANCE_FILE
  include_graph.py --selftest      (the checker itself finds what it must)
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)
TOOLKIT = ("libgimp", "libgimpbase", "libgimpwidgets", "libgimpcolor", "libgimpmath", "gtk/", "gdk/",
           "gdk-pixbuf/")


def modules(lib, clashes=None):
    """Module name -> (layer, [included file names]). Modules of one name in
    two folders are added to `clashes`."""
    found, folders = {}, {}
    for root, _, files in sorted(os.walk(lib)):
        for name in sorted(files):
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            folder = os.path.relpath(root, lib)
            if folders.setdefault(stem, folder) != folder and clashes is not None:
                clashes.add(f"{stem} in {folders[stem]} and {folder}")
            layer = folder.split(os.sep)[0]
            with open(os.path.join(root, name), encoding="utf-8") as f:
                includes = INCLUDE.findall(f.read())
            entry = found.setdefault(stem, (layer, []))
            entry[1].extend(includes)
    return found


def edges(found):
    graph = {}
    for name, (_, includes) in found.items():
        targets = set()
        for inc in includes:
            stem = os.path.splitext(os.path.basename(inc))[0]
            if stem in found and stem != name and inc.endswith(".h"):
                targets.add(stem)
        graph[name] = targets
    return graph


def cycles(graph):
    """Strongly connected components of more than one module (Tarjan)."""
    index, low, stack, on_stack, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                out.append(" ".join(sorted(component)))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return sorted(out)


def impurities(found):
    problems = []
    for name, (layer, includes) in sorted(found.items()):
        if layer != "core":
            continue
        for inc in includes:
            stem = os.path.splitext(os.path.basename(inc))[0]
            if inc.startswith(TOOLKIT) or (stem in found and found[stem][0] != "core"):
                problems.append(f"core module {name} includes {inc}")
    return problems


def check(lib, allowed):
    """Problems of the tree below lib; `allowed` is a set of (A, B) edges."""
    clashes = set()
    found = modules(lib, clashes)
    problems = impurities(found) + [f"one module name in two folders: {c}" for c in sorted(clashes)]
    graph = edges(found)
    for a, b in sorted(allowed):
        if b in graph.get(a, set()):
            graph[a].discard(b)
        else:
            problems.append(f"the allowed edge {a} -> {b} is gone: remove it from the allowance")
    for component in cycles(graph):
        problems.append(f"include cycle: {component}")
    return problems


def read_allowance(path):
    allowed = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                a, arrow, b = line.partition("->")
                if not arrow:
                    raise SystemExit(f"{path}: not an edge \"A -> B\": {line}")
                allowed.add((a.strip(), b.strip()))
    return allowed


def selftest():
    """A clean tree passes; a cycle, a GTK include in core/ and a core file that
    includes the GIMP layer are each found."""
    cases = {
        "clean": ({"core/a.h": "", "core/a.cpp": '#include "a.h"\n#include <glib.h>\n',
                   "gimp/b.h": '#include "a.h"\n', "gimp/b.cpp": '#include "b.h"\n#include <gtk/gtk.h>\n'}, 0),
        "cycle": ({"gimp/a.h": "", "gimp/a.cpp": '#include "b.h"\n', "gimp/b.h": "",
                   "gimp/b.cpp": '#include "c.h"\n', "gimp/c.h": "", "gimp/c.cpp": '#include "a.h"\n'}, 1),
        "toolkit in core": ({"core/a.h": "#include <gtk/gtk.h>\n"}, 1),
        "gimp layer in core": ({"core/a.cpp": '#include "b.h"\n', "gimp/b.h": ""}, 1),
        "re-entry allowed": ({"gimp/x/a.h": "", "gimp/x/a.cpp": '#include "y/b.h"\n', "gimp/y/b.h": "",
                              "gimp/y/b.cpp": '#include "x/a.h"\n'}, 0, {("b", "a")}),
        "second circle": ({"gimp/a.h": "", "gimp/a.cpp": '#include "b.h"\n#include "c.h"\n', "gimp/b.h": "",
                           "gimp/b.cpp": '#include "a.h"\n', "gimp/c.h": "", "gimp/c.cpp": '#include "a.h"\n'},
                          1, {("b", "a")}),
        "stale allowance": ({"gimp/a.h": ""}, 1, {("a", "b")}),
        "name in two folders": ({"gimp/x/a.h": "", "gimp/y/a.h": ""}, 1),
    }
    failures = 0
    for label, (files, expected, *allowance) in cases.items():
        with tempfile.TemporaryDirectory() as lib:
            for path, text in files.items():
                os.makedirs(os.path.join(lib, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(lib, path), "w", encoding="utf-8") as f:
                    f.write(text)
            found = len(check(lib, allowance[0] if allowance else set()))
        if found != expected:
            print(f"selftest {label}: {found} problems found, {expected} expected")
            failures += 1
    print("selftest: ok" if failures == 0 else f"selftest: {failures} failure(s)")
    return 1 if failures else 0


def main(argv):
    if argv[1:] == ["--selftest"]:
        return selftest()
    if len(argv) != 3:
        print(__doc__)
        return 2
    allowed = read_allowance(argv[2])
    found = modules(argv[1])
    problems = check(argv[1], allowed)
    for component in cycles(edges(found)):
        print(f"circle through the allowed edges: {component}")
    for p in problems:
        print(p)
    print(f"{len(found)} modules, {len(allowed)} allowed re-entry edge(s), {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
