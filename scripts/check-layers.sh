#!/usr/bin/env bash
# Checks the layering by the #include lines of the sources and the tests:
#   - Qt only in */ui/ folders (and in cli/, tools/, fuzz/),
#   - SDL only in player/ (and in cli/, tools/, fuzz/),
#   - no FFmpeg in formats/,
#   - no folder includes a layer above it: media -> engine, formats -> player
#     -> app; engine and formats do not include each other; a folder outside
#     ui/ includes no ui/ header; cli/, tools/ and fuzz/ may use all.
# tests/X follows the rules of X (tests/X/ui those of X/ui); the tests that
# drive several layers together (robustness, cli, tools, support) may use all.
# Usage: check-layers.sh [ROOT]   (ROOT defaults to this repository)
# Prints one line per violation and exits 1 when there is any.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

folders=()
for d in media engine formats player app cli tools fuzz tests; do
    [[ -d $d ]] && folders+=("$d")
done
if [[ ${#folders[@]} -eq 0 ]]; then
    echo "check-layers: no source folders under $root" >&2
    exit 2
fi

find "${folders[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cpp' \) -print0 |
    sort -z |
    xargs -0 -r grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"][^>"]+[>"]' -- |
    awk '
function normalize(path,    n, parts, out, i, k) {
    n = split(path, parts, "/")
    k = 0
    for (i = 1; i <= n; i++) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == "..") { if (k > 0) k--; continue }
        out[++k] = parts[i]
    }
    path = ""
    for (i = 1; i <= k; i++) path = path (i > 1 ? "/" : "") out[i]
    return path
}
function exists(path,    line, r) {
    r = (getline line < path)
    close(path)
    return r >= 0
}
function dirname(path) {
    sub(/\/[^\/]*$/, "", path)
    return path
}
# The layer a path of the tree belongs to ("app", "app/ui", "all", "tests"),
# or "" for a path outside the layered folders.
function layer_of(path,    p, n) {
    n = split(path, p, "/")
    if (p[1] == "tests") {
        if (p[2] == "robustness" || p[2] == "cli" || p[2] == "tools" || p[2] == "support") return "all"
        if (p[2] in below) return (n > 3 && p[3] == "ui") ? p[2] "/ui" : p[2]
        return "all"
    }
    if (p[1] == "cli" || p[1] == "tools" || p[1] == "fuzz") return "all"
    if (p[1] in below) return (n > 2 && p[2] == "ui") ? p[1] "/ui" : p[1]
    return ""
}
function base_of(layer) { sub(/\/ui$/, "", layer); return layer }
function is_ui(layer) { return layer ~ /\/ui$/ }
function report(msg) { print file ":" line ": " msg; bad++ }
# may code of layer `from` include a header of layer `to`?
function may_include(from, to,    f, t) {
    if (from == "all" || to == "") return 1
    if (to == "all") return 0
    f = base_of(from); t = base_of(to)
    if (is_ui(to) && !is_ui(from)) return 0
    return t == f || index(" " below[f] " ", " " t " ") > 0
}
BEGIN {
    # the layers each layer may include besides itself
    below["media"] = ""
    below["engine"] = "media"
    below["formats"] = ""
    below["player"] = "media engine formats"
    below["app"] = "media engine formats player"
    bad = 0
}
{
    # file:line:text (paths of the tree hold no colon)
    file = $0; sub(/:.*/, "", file)
    rest = substr($0, length(file) + 2)
    line = rest; sub(/:.*/, "", line)
    text = substr(rest, length(line) + 2)
    quoted = (text ~ /#[[:space:]]*include[[:space:]]*"/)
    inc = text
    sub(/^[^<"]*[<"]/, "", inc)
    sub(/[>"].*$/, "", inc)

    from = layer_of(file)
    if (from == "") next
    fbase = base_of(from)
    ffolder = file; sub(/\/.*/, "", ffolder)

    if (inc ~ /^Q[A-Za-z0-9_]*(\/|$)/ && !quoted) {
        if (!is_ui(from) && from != "all") report("Qt outside a ui/ folder: " inc)
        next
    }
    if (inc ~ /^SDL2?\// || inc ~ /^SDL[A-Za-z0-9_]*\.h$/) {
        if (fbase != "player" && from != "all") report("SDL outside player/: " inc)
        next
    }
    if (inc ~ /^(libavcodec|libavformat|libavutil|libavfilter|libavdevice|libswscale|libswresample|libpostproc)\//) {
        if (fbase == "formats" && ffolder == "formats") report("FFmpeg in formats/: " inc)
        next
    }

    # our own headers: relative to the including file first, then to the root
    target = ""
    if (quoted) {
        if (inc !~ /\//) next
        rel = normalize(dirname(file) "/" inc)
        if (exists(rel)) target = rel
    }
    if (target == "") target = normalize(inc)
    if (target ~ /^tests\//) {
        if (ffolder != "tests") report("a test header outside tests/: " inc)
        next
    }
    to = layer_of(target)
    if (to == "") next
    if (!may_include(from, to)) report(from " includes " to ": " inc)
}
END {
    if (bad > 0) {
        print "check-layers: " bad " include(s) break the layering" > "/dev/stderr"
        exit 1
    }
}'
