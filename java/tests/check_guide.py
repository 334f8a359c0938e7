#!/usr/bin/env python3
"""Checks the code the integration guide shows, as written.

  check_guide.py kotlin GUIDE KOTLINC CLASSPATH WORK_DIR
      every ```kotlin block of the guide compiles with kotlinc against the
      classpath (the Java API's jar).
  check_guide.py included GUIDE SOURCE_DIR
      every block that follows a line "<!-- included: PATH -->" is the text
      of the file PATH (relative to the source tree).

Exits 1 with the reason.
"""
import os
import re
import subprocess
import sys


def main(argv):
    with open(argv[2]) as f:
        guide = f.read()
    if len(argv) == 6 and argv[1] == "kotlin":
        snippets = re.findall(r"```kotlin\n(.*?)```", guide, flags=re.S)
        if not snippets:
            print(f"{argv[2]}: no Kotlin block")
            return 1
        os.makedirs(argv[5], exist_ok=True)
        sources = []
        for number, snippet in enumerate(snippets):
            sources.append(os.path.join(argv[5], f"GuideSnippet{number}.kt"))
            with open(sources[-1], "w") as f:
                f.write(snippet)
        result = subprocess.run([argv[3], "-cp", argv[4], "-d", os.path.join(argv[5], "classes")]
                                + sources, capture_output=True, text=True)
        # kotlinc prints the JVM's notice about its own options; anything
        # about the snippets names their file.
        complaints = [line for line in (result.stdout + result.stderr).splitlines()
                      if "GuideSnippet" in line or line.startswith(("error", "warning"))]
        if result.returncode != 0 or complaints:
            print(result.stdout + result.stderr)
            print(f"the guide's Kotlin does not compile cleanly (exit {result.returncode})")
            return 1
        print(f"{len(snippets)} Kotlin block(s) of the guide compiled")
        return 0
    if len(argv) == 4 and argv[1] == "included":
        found = re.findall(r"<!-- included: (\S+) -->\n```[a-z]*\n(.*?)```", guide, flags=re.S)
        failed = not found
        for path, text in found:
            with open(os.path.join(argv[3], path)) as f:
                if f.read() != text:
                    print(f"the guide's copy of {path} differs from the file")
                    failed = True
        print("included files: " + ("differ or none" if failed else "as in the tree"))
        return 1 if failed else 0
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
