#!/usr/bin/env python3
"""Figures about the source tree, from the files alone (no build needed).

    tools/code_figures.py [ROOT]

Prints:
  - the include cycles between modules (a module is a folder such as app/search or
    controls/skin) and between headers (a header together with the .cpp of the same name);
  - the ten largest files and the ten largest functions, in lines;
  - the test share: lines of test code against all code (lines that are not blank).

An include is resolved the way the build resolves it: first beside the including file, then
under every folder that the tree's own includes are written relative to (app/, controls/, ...).
Includes that name no file of the tree (Qt, the system) are left out.
"""
import os
import re
import sys

SOURCE_DIRS = ["app", "controls", "forms", "packaging", "tests", "tools"]
TEST_DIRS = ["tests", "controls/tests"]
EXTENSIONS = (".cpp", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def source_files(root):
    files = []
    for top in SOURCE_DIRS:
        for folder, dirs, names in os.walk(os.path.join(root, top)):
            dirs[:] = sorted(d for d in dirs if not d.startswith("."))
            for name in sorted(names):
                if name.endswith(EXTENSIONS):
                    files.append(os.path.relpath(os.path.join(folder, name), root))
    return files


def read_lines(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        return f.read().split("\n")


def resolve(include, includer, known):
    here = os.path.dirname(includer)
    candidate = os.path.normpath(os.path.join(here, include))
    if candidate in known:
        return candidate
    matches = [k for k in known if k.endswith("/" + include)]
    if len(matches) == 1:
        return matches[0]
    # Several files end the same way: the one nearest the includer.
    matches.sort(key=lambda k: (0 if k.split("/")[0] == includer.split("/")[0] else 1, len(k)))
    return matches[0] if matches else None


def include_graph(root, files):
    known = set(files)
    edges = {f: set() for f in files}
    for f in files:
        for line in read_lines(root, f):
            m = INCLUDE.match(line)
            if m:
                target = resolve(m.group(1), f, known)
                if target and target != f:
                    edges[f].add(target)
    return edges


def strongly_connected(graph):
    """Tarjan's algorithm, iterative; returns the components with more than one member."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return sorted(found)


def one_cycle(graph, members):
    """A shortest cycle through the first member, staying inside the component."""
    inside = set(members)
    first = members[0]
    paths = {first: [first]}
    queue = [first]
    while queue:
        node = queue.pop(0)
        for child in sorted(graph.get(node, ())):
            if child == first:
                return paths[node] + [first]
            if child in inside and child not in paths:
                paths[child] = paths[node] + [child]
                queue.append(child)
    return members


def collapse(edges, key):
    graph = {}
    for src, targets in edges.items():
        a = key(src)
        graph.setdefault(a, set())
        for t in targets:
            b = key(t)
            if a != b:
                graph[a].add(b)
                graph.setdefault(b, set())
    return graph


def module_of(path):
    return os.path.dirname(path)


def header_of(path):
    return os.path.splitext(path)[0] + ".h"


def strip_comments_and_strings(text):
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            open_paren = text.find("(", i)
            delim = text[i + 2:open_paren]
            j = text.find(")" + delim + '"', open_paren)
            j = n if j < 0 else j + len(delim) + 2
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def functions(root, path):
    """(lines, first line, name) of each function body that is not inside another one."""
    text = strip_comments_and_strings("\n".join(read_lines(root, path)))
    text = re.sub(r"^[ \t]*#.*$", "", text, flags=re.M)
    found = []
    stack = []  # kinds of the open braces: "scope", "function" or "other"
    head_start, line = 0, 1
    head_line = 1
    for i, c in enumerate(text):
        if c == "\n":
            line += 1
        if c in ";{}":
            head = text[head_start:i]
            if c == "{":
                in_function = "function" in stack
                words = head.strip()
                if in_function:
                    kind = "other"
                elif re.search(r"\b(namespace|extern)\b", words):
                    kind = "scope"
                elif re.search(r"\b(class|struct|union|enum)\b", words) and "(" not in words:
                    kind = "scope"
                elif "(" in words and not re.search(r"=\s*$", words):
                    kind = "function"
                else:
                    kind = "other"
                if kind == "function":
                    name = re.findall(r"([~\w:<>]+)\s*\(", words)
                    stack.append(("function", head_line, name[0] if name else "?"))
                else:
                    stack.append((kind, line, ""))
            elif c == "}" and stack:
                kind, start, name = stack.pop()
                if kind == "function":
                    found.append((line - start + 1, start, name))
            head_start = i + 1
            head_line = line
        elif c.strip() and text[head_start:i].strip() == "":
            head_line = line
    return [(n, path, start, name) for n, start, name in found]


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    files = source_files(root)
    edges = include_graph(root, files)

    for title, key in (("modules", module_of), ("headers", header_of)):
        graph = collapse(edges, key)
        cycles = strongly_connected(graph)
        print(f"Include cycles between {title}: {len(cycles)}")
        for members in cycles:
            path = one_cycle(graph, members)
            print(f"  {len(members)} {title}: " + " -> ".join(path))
            if len(path) - 1 < len(members):
                print("    all of: " + ", ".join(members))
        print()

    sizes = sorted(((len(read_lines(root, f)) - 1, f) for f in files), reverse=True)
    print("Largest files (lines):")
    for n, f in sizes[:10]:
        print(f"  {n:6}  {f}")
    print()

    all_functions = sorted((fn for f in files for fn in functions(root, f)), reverse=True)
    print("Largest functions (lines):")
    for n, f, start, name in all_functions[:10]:
        print(f"  {n:6}  {f}:{start}  {name}")
    print()

    def code_lines(f):
        return sum(1 for l in read_lines(root, f) if l.strip())

    total = sum(code_lines(f) for f in files)
    tests = sum(code_lines(f) for f in files
                if any(f.startswith(d + "/") for d in TEST_DIRS))
    print(f"Test share: {tests} of {total} lines of code that are not blank "
          f"({100.0 * tests / total:.1f} %)")


if __name__ == "__main__":
    main()
