#!/usr/bin/env bash
# Runs the demo script as `./tarn.sh demo` does, but in a folder of its own: tarnhost with the plug-in and the
# simulated map application. The run must end with status 0 and the demo's summary line, counting every
# CHECK line of the script.
#   demo.sh SOURCE_DIR TARNHOST TARNARX_MODULE
set -u
source_dir=$1 tarnhost=$2 module=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The script names its files relative to build/release: ../../examples and plugin/.
mkdir -p "$work/build/release/plugin" "$work/build/release/demo-home/appdata"
ln -s "$source_dir/examples" "$work/examples"
ln -s "$module" "$work/build/release/plugin/TarnArx.arx"
cp "$source_dir/examples/demo-settings.ini" "$work/build/release/demo-home/appdata/TarnArx_setting.ini"
cd "$work/build/release" || exit 1
"$tarnhost" --home demo-home --script ../../examples/demo.tarn >output.txt 2>&1
status=$?
checks=$(grep -c '^CHECK \(MAP\|LAYER\) ' "$source_dir/examples/demo.tarn")
expected="Demo: all $checks checks passed."
if [ "$status" -ne 0 ] || [ "$checks" -eq 0 ] || ! grep -qxF "$expected" output.txt; then
    cat output.txt
    echo
    echo "demo: exit status $status; no line \"$expected\"" >&2
    exit 1
fi
grep -xF "$expected" output.txt
