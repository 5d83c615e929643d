#!/usr/bin/env bash
# scripts/check-layers on small graphs and source trees: it passes the sound ones and
# fails a cycle of targets and an engine that names a widget.
set -euo pipefail
check="$1/scripts/check-layers"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clean" "$work/widgets"
echo 'void Run(); // reports events' >"$work/clean/engine.cpp"
echo 'void Run() { frontEnd.SetWizardButtons(kWizardNone); }' >"$work/widgets/engine.cpp"

graph() {  # graph FILE EDGE... ; an edge is "a>b"
    local file="$1"
    shift
    {
        echo 'digraph "t" {'
        for name in a b c; do echo "    \"n_$name\" [ label = \"lib_$name\", shape = octagon ];"; done
        for edge in "$@"; do echo "    \"n_${edge%>*}\" -> \"n_${edge#*>}\"  // edge"; done
        echo '}'
    } >"$file"
}
graph "$work/chain.dot" "a>b" "b>c" "a>c"
graph "$work/cycle.dot" "a>b" "b>c" "c>a"

failures=0
expect() {  # expect STATUS ARGS...
    local want="$1"
    shift
    local got=0
    "$check" "$@" >"$work/out" 2>&1 || got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: check-layers $* gave $got, expected $want:"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}
expect 0 "$work/chain.dot" "$work/clean"
expect 1 "$work/cycle.dot" "$work/clean"
expect 1 "$work/chain.dot" "$work/widgets"
grep -q "lib_a -> lib_b -> lib_c -> lib_a" <("$check" "$work/cycle.dot" "$work/clean" 2>&1 || true) ||
    { echo "FAIL: the cycle is not named"; failures=$((failures + 1)); }
grep -q "kWizardNone\|SetWizardButtons" <("$check" "$work/chain.dot" "$work/widgets" 2>&1 || true) ||
    { echo "FAIL: the widget is not named"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "check-layers: all cases as expected"
exit "$failures"
