#!/usr/bin/env python3
"""Writes the default evaluation's built-in fitted values from a tuned.csv.

    tools/playvalues.py tuned.csv [src/eval/playvalues.cpp]

tuned.csv holds `name;value;` lines as `ardentis tune adam` writes them. Every
line becomes one `{"name", value}` entry of PLAY_VALUES, in the file's order;
the engine applies them over the defaults when it fills its parameter table
(and stops at start-up on a name it does not know). A line that is not
`name;integer;` stops the script before anything is written.
"""
import re
import sys

LINE = re.compile(r"^([A-Za-z_][A-Za-z0-9_\[\]]*);(-?\d+);\s*$")


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit(__doc__)
    out = argv[2] if len(argv) == 3 else "src/eval/playvalues.cpp"
    entries = []
    with open(argv[1]) as f:
        for number, line in enumerate(f, 1):
            if not line.strip():
                continue
            m = LINE.match(line)
            if not m:
                sys.exit(f"{argv[1]}:{number}: not a 'name;value;' line: {line.rstrip()}")
            entries.append((m.group(1), int(m.group(2))))
    body = "".join(f'    {{"{name}", {value}}},\n' for name, value in entries)
    with open(out, "w") as f:
        f.write("// The default evaluation's fitted values (tools/playvalues.py from the\n"
                "// tuned.csv of `ardentis tune adam`; README, Tuning).\n"
                '#include "eval/playvalues.h"\n\nnamespace {\n\n'
                f"constexpr PlayValue VALUES[] = {{\n{body}}};\n\n}} // namespace\n\n"
                "constinit const std::span<const PlayValue> PLAY_VALUES{VALUES};\n")
    print(f"{out}: {len(entries)} values")


if __name__ == "__main__":
    main(sys.argv)
