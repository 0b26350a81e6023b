#!/usr/bin/env bash
# Configuring a build tree again (as every run of tarn.sh does) must leave every generated source as it was,
# so that the build after it has nothing to do.
#   configure_twice.sh <source dir> <cmake>
set -euo pipefail
source_dir=$1
cmake=${2:-cmake}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
configure() {
    "$cmake" -S "$source_dir" -B "$work/build" -G Ninja -DTARN_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTARN_BENCH=OFF >/dev/null
}
sources() {
    find "$work/build" -path "$work/build/CMakeFiles" -prune -o \
        \( -name '*.cpp' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' -o -name '*.inc' \) -printf '%p %T@\n' |
        sort
}
configure
sources >"$work/first"
sleep 1.1  # a rewrite within the same second would keep the time stamp
configure
sources >"$work/second"
if ! diff -u "$work/first" "$work/second"; then
    echo "configuring again rewrote the generated sources above" >&2
    exit 1
fi
echo "configuring again rewrote no source ($(wc -l <"$work/first") generated)"
