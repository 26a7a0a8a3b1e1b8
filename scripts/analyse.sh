#!/bin/sh
# Static analysis of the product's sources: clang-tidy (checks in .clang-tidy) and cppcheck, over
# the files of the dev build's compile_commands.json under ZEP/, DevConn/, Front/, standins/, UI/,
# CLI/, tools/ and WinUI/, so new files are picked up by themselves. Objective-C++ and
# Windows-only files are not in that build and are skipped. Prints each finding as
# file:line: message [check], then one summary line per analyser; exits non-zero when there is
# any finding.
# Usage: scripts/analyse.sh [FILE...]   (default: every product file)
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
out=build/analyse
mkdir -p "$out"
if [ ! -f build/dev/compile_commands.json ]; then
    cmake --preset dev >"$out/configure.log" 2>&1 || { tail -20 "$out/configure.log"; exit 1; }
fi

# The product's entries of the compile database, optionally narrowed to the files named.
python3 - "$root" "$out/compile_commands.json" "$@" <<'PY' || exit 1
import json, os, sys
root, dest, only = sys.argv[1], sys.argv[2], [os.path.abspath(f) for f in sys.argv[3:]]
dirs = ("ZEP", "DevConn", "Front", "standins", "UI", "CLI", "tools", "WinUI")
entries = json.load(open(os.path.join(root, "build/dev/compile_commands.json")))
keep = [e for e in entries
        if os.path.relpath(e["file"], root).split(os.sep)[0] in dirs
        and not e["file"].endswith((".m", ".mm"))
        and (not only or os.path.abspath(e["file"]) in only)]
json.dump(keep, open(dest, "w"), indent=1)
with open(dest + ".files", "w") as f:
    f.write("\n".join(sorted({e["file"] for e in keep})) + "\n")
PY
count=$(wc -l <"$out/compile_commands.json.files")
echo "== analysing $count files"

# clang-tidy, several files per process, in parallel. Findings only; notes and the counts of
# suppressed warnings are dropped.
xargs -P "$jobs" -n 4 clang-tidy -p "$out" --quiet <"$out/compile_commands.json.files" \
    >"$out/clang-tidy.log" 2>"$out/clang-tidy.err"
grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' "$out/clang-tidy.log" | sed "s#^$root/##" |
    sort -u >"$out/clang-tidy.findings"
grep -E '^[^ ]+:[0-9]+:[0-9]+: error:|^Error' "$out/clang-tidy.err" | sed "s#^$root/##" \
    >>"$out/clang-tidy.findings"
tidy=$(wc -l <"$out/clang-tidy.findings")

# cppcheck on the same files with their include paths and definitions.
cppcheck --project="$out/compile_commands.json" --enable=warning,performance,portability \
    --std=c++17 --inline-suppr -j "$jobs" --quiet --suppress=missingIncludeSystem \
    --suppress=unmatchedSuppression --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
    2>"$out/cppcheck.log" >/dev/null
grep -E '^[^ ]+:[0-9]+:[0-9]+: ' "$out/cppcheck.log" | sed "s#^$root/##" | sort -u \
    >"$out/cppcheck.findings"
check=$(wc -l <"$out/cppcheck.findings")

cat "$out/clang-tidy.findings" "$out/cppcheck.findings"
echo "clang-tidy: $tidy findings"
echo "cppcheck: $check findings"
[ "$tidy" -eq 0 ] && [ "$check" -eq 0 ]
