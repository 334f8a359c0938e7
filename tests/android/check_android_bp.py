#!/usr/bin/env python3
"""Checks Android.bp against the CMake build and against Soong's own names.

  check_android_bp.py sources ANDROID_BP COMPILE_COMMANDS JAVA_SOURCES
      every library source of the CMake build is in exactly one module, each
      module holds the sources of the CMake libraries and jars it is made of,
      and every listed file exists. JAVA_SOURCES is the JSON file the CMake
      build writes: each jar's sources, relative to the source tree.
  check_android_bp.py properties ANDROID_BP SOONG_SOURCE_DIR
      every module type is one Soong registers, and every property name is a
      field of Soong's property structures (Go sources of android/, cc/ and
      java/).
  check_android_bp.py format ANDROID_BP
      bpfmt, Blueprint's own parser and formatter, parses the file and would
      change nothing.

Exits 1 with one line per finding.
"""
import json
import os
import re
import subprocess
import sys

# The CMake libraries each module is made of.
MODULES = {
    "libveltra_shared": ["veltra_shared"],
    "libveltraeffectapi": ["veltra_vtcommands", "veltra_network", "veltra_effectapi"],
    "libfxshim_Oreo": ["veltra_shim"],
    "libveltraeffect_jni": ["veltraeffect_jni"],
    "veltraeffectapi": ["veltraeffectapi_jar"],
}


def tokens(text):
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    for match in re.finditer(r'"(?:[^"\\]|\\.)*"|[A-Za-z_][A-Za-z0-9_]*|[{}\[\]:,=+]|\S', text):
        yield match.group(0)


def parse(text):
    """The modules of a Blueprint file as (type, properties) pairs; values are
    strings, booleans, lists and nested maps (the forms Android.bp uses here)."""
    stream = list(tokens(text))
    pos = 0

    def take(expected=None):
        nonlocal pos
        token = stream[pos]
        if expected is not None and token != expected:
            raise SyntaxError(f"expected {expected!r}, found {token!r}")
        pos += 1
        return token

    def value():
        token = take()
        if token.startswith('"'):
            return json.loads(token)
        if token in ("true", "false"):
            return token == "true"
        if token == "[":
            items = []
            while stream[pos] != "]":
                items.append(value())
                if stream[pos] == ",":
                    take(",")
            take("]")
            return items
        if token == "{":
            return properties()
        raise SyntaxError(f"unexpected {token!r}")

    def properties():
        props = {}
        while stream[pos] != "}":
            name = take()
            take(":")
            props[name] = value()
            if stream[pos] == ",":
                take(",")
        take("}")
        return props

    modules = []
    while pos < len(stream):
        kind = take()
        take("{")
        modules.append((kind, properties()))
    return modules


def check_sources(bp_path, compile_commands, java_sources):
    findings = []
    root = os.path.dirname(os.path.abspath(bp_path))
    with open(bp_path) as f:
        modules = {props["name"]: props for _, props in parse(f.read())}
    cmake = {}
    with open(compile_commands) as f:
        for entry in json.load(f):
            output = entry.get("output") or re.search(r" -o (\S+)", entry["command"]).group(1)
            match = re.match(r"(?:.*/)?CMakeFiles/([^/]+)\.dir/", output)
            if match:
                source = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
                cmake.setdefault(match.group(1), set()).add(source)
    with open(java_sources) as f:
        for jar, sources in json.load(f).items():
            cmake.setdefault(jar, set()).update(sources)
    owner = {}
    for name, props in modules.items():
        for source in props.get("srcs", []):
            if not os.path.isfile(os.path.join(root, source)):
                findings.append(f"{name}: {source} does not exist")
            if source in owner:
                findings.append(f"{source} is in {owner[source]} and {name}")
            owner[source] = name
    for name, targets in MODULES.items():
        if name not in modules:
            findings.append(f"Android.bp has no module {name}")
            continue
        expected = set()
        for target in targets:
            if target not in cmake:
                findings.append(f"the CMake build has no library {target}")
            expected |= cmake.get(target, set())
        listed = set(modules[name].get("srcs", []))
        for source in sorted(expected - listed):
            findings.append(f"{name}: {source} is built by CMake ({', '.join(targets)}) but not listed")
        for source in sorted(listed - expected):
            findings.append(f"{name}: {source} is listed but not built by CMake ({', '.join(targets)})")
    return findings


def check_properties(bp_path, soong):
    findings = []
    go_sources = []
    for folder in ("android", "cc", "java"):
        for entry in sorted(os.listdir(os.path.join(soong, folder))):
            if entry.endswith(".go") and not entry.endswith("_test.go"):
                with open(os.path.join(soong, folder, entry)) as f:
                    go_sources.append(f.read())
    go = "\n".join(go_sources)
    with open(bp_path) as f:
        modules = parse(f.read())

    def walk(kind, props, path):
        for name, value in props.items():
            field = name[0].upper() + name[1:]
            if not re.search(r"^\s*" + re.escape(field) + r"\s+[*\[\]A-Za-z]", go, flags=re.M):
                findings.append(f"{kind}: property {'.'.join(path + [name])} is not one of Soong's")
            if isinstance(value, dict):
                walk(kind, value, path + [name])

    for kind, props in modules:
        if f'RegisterModuleType("{kind}"' not in go:
            findings.append(f"module type {kind} is not one Soong registers")
        walk(kind, props, [])
    return findings


def check_format(bp_path):
    result = subprocess.run(["bpfmt", "-d", bp_path], capture_output=True, text=True)
    if result.returncode != 0 or result.stdout or result.stderr:
        return [f"bpfmt -d {bp_path} (exit {result.returncode}):\n{result.stdout}{result.stderr}"]
    return []


def main(argv):
    mode = argv[1] if len(argv) > 1 else ""
    if mode == "sources" and len(argv) == 5:
        findings = check_sources(argv[2], argv[3], argv[4])
    elif mode == "properties" and len(argv) == 4:
        findings = check_properties(argv[2], argv[3])
    elif mode == "format" and len(argv) == 3:
        findings = check_format(argv[2])
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    for finding in findings:
        print(finding)
    print(f"Android.bp {mode}: {'ok' if not findings else f'{len(findings)} finding(s)'}")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
