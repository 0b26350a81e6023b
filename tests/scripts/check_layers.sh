#!/usr/bin/env bash
# The plug-in's folders depend one way: cutil < arxutil < maplink < core < {exchange, basemap} < app. A folder
# includes only folders below it; exchange and basemap, peers, never include each other. The resource tables
# (res) may be included from core upwards. Prints every include that breaks the order and fails if any does.
set -euo pipefail
root="${1:?usage: check_layers.sh <source root>}"
cd "$root/plugin"

rank() {
    case "$1" in
        cutil) echo 0 ;; arxutil) echo 1 ;; maplink) echo 2 ;; core) echo 3 ;;
        exchange | basemap) echo 4 ;; app) echo 5 ;; res) echo res ;; *) echo unknown ;;
    esac
}

bad=0
while IFS=: read -r file target; do
    from="${file%%/*}"
    [ "$from" = "$target" ] && continue
    rf=$(rank "$from")
    rt=$(rank "$target")
    if [ "$rf" = unknown ] || [ "$rt" = unknown ]; then
        echo "unknown folder: $file includes plugin/$target/" >&2
        bad=1
    elif [ "$rf" = res ]; then
        continue
    elif [ "$rt" = res ]; then
        if [ "$rf" -lt 3 ]; then
            echo "resources below core: $file includes plugin/$target/" >&2
            bad=1
        fi
    elif [ "$rt" -ge "$rf" ]; then
        echo "against the layers: $file includes plugin/$target/" >&2
        bad=1
    fi
done < <(grep -rHoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"plugin/[a-z]+/' --include='*.h' --include='*.cpp' . |
    sed -E 's#^\./##; s#:[[:space:]]*\#[[:space:]]*include[[:space:]]*"plugin/([a-z]+)/$#:\1#')
# A relative include would slip past the rule above.
if grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"\.\./' --include='*.h' --include='*.cpp' . >&2; then
    echo "relative includes: name a folder's header as plugin/<folder>/..." >&2
    bad=1
fi
exit "$bad"
