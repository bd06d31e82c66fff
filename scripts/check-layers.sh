#!/usr/bin/env bash
# Fails when a source includes a header of a higher layer. The layers, bottom up:
#   platform < foundation < raster < imagefiles < document < host < windows
#   < editor, prediction < app
# A layer may include its own headers and those of the layers below it; layers
# of one rank (editor, prediction) do not include each other. tests/<layer>/
# may include what <layer> may, the tests of those layers and tests/support/;
# bench/ and fuzz/ may include everything. Every target sees the whole tree through one include
# root, so without this check an upward include would build and go unnoticed.
set -euo pipefail
cd "$(dirname "$0")/.."

folders=()
for d in platform foundation raster imagefiles document host windows editor prediction app tests bench fuzz; do
  [ -d "$d" ] && folders+=("$d")
done
find "${folders[@]}" \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.inc' \) -type f | sort |
awk '
BEGIN {
    n = split("platform foundation raster imagefiles document host windows editor prediction app", order, " ")
    for (i = 1; i <= n; ++i) rank[order[i]] = i
    rank["prediction"] = rank["editor"]
}
# Pass 1 (standard input): the files of the tree.
FILENAME == "-" || FILENAME == "" { exists[$0] = 1; files[++count] = $0; next }
END {
    bad = 0
    for (f = 1; f <= count; ++f) {
        file = files[f]
        lineno = 0
        while ((getline line < file) > 0) {
            ++lineno
            if (line !~ /^[ \t]*#[ \t]*include[ \t]*["<]/) continue
            path = line
            sub(/^[ \t]*#[ \t]*include[ \t]*["<]/, "", path)
            sub(/[">].*$/, "", path)
            target = resolve(file, path, line ~ /include[ \t]*"/)
            if (target == "") continue
            why = refused(file, target)
            if (why != "") {
                printf "%s:%d: includes %s: %s\n", file, lineno, target, why
                bad = 1
            }
        }
        close(file)
    }
    if (bad) {
        print "Layer order: platform < foundation < raster < imagefiles < document < host < windows < editor, prediction < app."
        print "A layer includes only itself and the layers below it; so do its tests (and tests/support)."
        exit 1
    }
}

# The tree path an include names, or "" for a header outside the tree.
function resolve(from, path, quoted,    dir, candidate) {
    if (quoted) {
        dir = from
        sub(/[^\/]*$/, "", dir)
        candidate = normal(dir path)
        if (candidate in exists) return candidate
    }
    candidate = normal(path)
    return (candidate in exists) ? candidate : ""
}

function normal(path,    parts, k, i, out, m) {
    k = split(path, parts, "/")
    m = 0
    for (i = 1; i <= k; ++i) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == ".." && m > 0) { --m; continue }
        out[++m] = parts[i]
    }
    path = ""
    for (i = 1; i <= m; ++i) path = path (i > 1 ? "/" : "") out[i]
    return path
}

function top(path) { sub(/\/.*/, "", path); return path }

# Why `from` may not include `target`, or "" when it may.
function refused(from, target,    layer, want, rest) {
    layer = top(from)
    want = top(target)
    if (layer == "bench" || layer == "fuzz") return ""
    if (layer == "tests") {
        layer = top(substr(from, 7))
        if (want == "tests") {
            if (target ~ /^tests\/support\//) return ""
            want = top(substr(target, 7))
        }
        if (!(layer in rank)) return ""
    }
    if (want == "tests" || want == "bench" || want == "fuzz") return "a library does not include " want "/"
    if (!(want in rank) || !(layer in rank)) return ""
    if (want == layer) return ""
    if (rank[want] < rank[layer]) return ""
    if (rank[want] == rank[layer]) return layer " and " want " stand side by side; neither includes the other"
    return want " is above " layer
}
' - 
