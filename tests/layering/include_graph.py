#!/usr/bin/env python3
"""Checks the layering of lib/: the pure layer (core/) includes neither GIMP
nor GTK nor anything of the GIMP layer, and no two modules depend on each
other in a circle, except the circles listed in the allowance file.

A module is a header and its source file (qv_render.h with qv_render.cpp);
module A depends on module B when A's header or source includes B's header.

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


def modules(lib):
    """Module name -> (layer, [included file names])."""
    found = {}
    for root, _, files in os.walk(lib):
        for name in files:
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            layer = os.path.relpath(root, lib).split(os.sep)[0]
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
    found = modules(lib)
    problems = impurities(found)
    for component in cycles(edges(found)):
        if component not in allowed:
            problems.append(f"include cycle: {component}")
    return problems


def read_allowance(path):
    with open(path, encoding="utf-8") as f:
        return {line.strip() for line in f if line.strip() and not line.startswith("#")}


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
    }
    failures = 0
    for label, (files, expected) in cases.items():
        with tempfile.TemporaryDirectory() as lib:
            for path, text in files.items():
                os.makedirs(os.path.join(lib, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(lib, path), "w", encoding="utf-8") as f:
                    f.write(text)
            found = len(check(lib, set()))
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
    present = set(cycles(edges(found)))
    for gone in sorted(allowed - present):
        print(f"note: the allowed cycle is gone, remove it from the allowance: {gone}")
    for p in problems:
        print(p)
    print(f"{len(found)} modules, {len(present)} cycle(s), {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
