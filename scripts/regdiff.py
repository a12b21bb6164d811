#!/usr/bin/env python3
"""Readable summary of what changed between two registry exports.

    regdiff.py BEFORE.reg AFTER.reg [--most N] [--skip KEY]...

Both files are exports of `wine reg export` (UTF-16 .reg text).  Prints new
keys (a new subtree as its top key, with its values or its size), removed
keys (likewise), and changed, new or removed values, one line each, at most
N lines (30 by default).  Keys below a --skip key are left out."""
import sys


def parse(path):
    """{key: {value name: text}}"""
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("latin-1")
    keys, current, pending = {}, None, ""
    for line in text.splitlines():
        if pending:
            line = pending + line.strip()
            pending = ""
        if line.endswith("\\") and not line.startswith("["):
            pending = line[:-1]
            continue
        line = line.rstrip()
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            keys.setdefault(current, {})
        elif current is not None and "=" in line and (line.startswith('"') or line.startswith("@")):
            if line.startswith("@"):
                name, value = "@", line[2:]
            else:
                end = 1
                while end < len(line) and not (line[end] == '"' and line[end - 1] != "\\"):
                    end += 1
                name, value = line[1:end].replace('\\\\', '\\'), line[end + 2:]
            keys[current][name] = value
    return keys


def short(value, width=60):
    if value.startswith('"'):
        value = value.replace('\\\\', '\\')
    elif value.startswith("dword:"):
        value = str(int(value[6:], 16))
    elif value.startswith("hex"):
        value = "(binary)"
    return value if len(value) <= width else value[: width - 3] + "..."


def nice_key(key):
    for long, abbreviation in (("HKEY_LOCAL_MACHINE", "HKLM"), ("HKEY_CURRENT_USER", "HKCU"),
                               ("HKEY_CLASSES_ROOT", "HKCR")):
        if key.startswith(long):
            return abbreviation + key[len(long):]
    return key


def main():
    args = sys.argv[1:]
    most, skips = 30, []
    while "--most" in args or "--skip" in args:
        for option in ("--most", "--skip"):
            if option in args:
                at = args.index(option)
                if option == "--most":
                    most = int(args[at + 1])
                else:
                    skips.append(args[at + 1].lower())
                del args[at:at + 2]
    def kept(keys):
        return {k: v for k, v in keys.items()
                if not any(k.lower() == s or k.lower().startswith(s + "\\") for s in skips)}
    before, after = kept(parse(args[0])), kept(parse(args[1]))
    lines = []
    changed = []  # values changed in keys both have: listed first
    for label, keys, source in (("+", set(after) - set(before), after),
                                ("-", set(before) - set(after), before)):
        lowered = {k.lower() for k in keys}
        for key in sorted(keys, key=str.lower):
            parent = key.lower().rsplit("\\", 1)[0]
            if parent in lowered:
                continue  # shown with its new (or removed) parent
            below = [k for k in keys if k.lower().startswith(key.lower() + "\\")]
            values = source[key]
            if below:
                count = sum(len(source[k]) for k in below) + len(values)
                lines.append(f"  {label} {nice_key(key)}   ({len(below) + 1} keys, {count} values)")
            elif label == "+" and values:
                shown = ", ".join(f"{name} = {short(v, 40)}" for name, v in list(values.items())[:3])
                more = f" (+{len(values) - 3} more)" if len(values) > 3 else ""
                lines.append(f"  + {nice_key(key)}   {shown}{more}")
            else:
                lines.append(f"  {label} {nice_key(key)}")
    for key in sorted(set(before) & set(after), key=str.lower):
        old, new = before[key], after[key]
        for name in sorted(set(old) | set(new)):
            if old.get(name) == new.get(name):
                continue
            if name not in old:
                changed.append(f"  + {nice_key(key)}   {name} = {short(new[name])}")
            elif name not in new:
                changed.append(f"  - {nice_key(key)}   {name}")
            else:
                changed.append(f"  ~ {nice_key(key)}   {name}: {short(old[name], 30)} -> "
                               f"{short(new[name], 30)}")
    lines = changed + lines
    if not lines:
        print("  (no change)")
    for line in lines[:most]:
        print(line)
    if len(lines) > most:
        print(f"  ... and {len(lines) - most} more changes")


if __name__ == "__main__":
    main()
