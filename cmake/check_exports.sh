#!/usr/bin/env bash
# Checks what a module or a loading program exports.
#   check_exports.sh module <nm> <module> <platform strong names>
#     exports exactly acrxEntryPoint and acrxGetApiVersion, and defines none of the platform's own functions
#     or data (no platform archive inside).
#   check_exports.sh host <nm> <program> <platform dynamic list> [<runtime export list>...]
#     exports nothing but the platform's symbols and what the linker and the runtime add. A sanitizer
#     runtime linked statically into the program (clang's) exports what its own list (the .syms file beside
#     its archive, names and name* patterns) names.
set -euo pipefail
mode=$1 nm=$2 file=$3 list=$4
shift 4
runtime_lists=("$@")
fail=0
exported=$("$nm" -D --defined-only "$file" | awk '{ print $NF }' | sed 's/@.*//' | sort -u)
case "$mode" in
module)
    expected=$(printf '%s\n' acrxEntryPoint acrxGetApiVersion)
    if [ "$exported" != "$expected" ]; then
        echo "$file exports:"
        echo "$exported" | head -40
        fail=1
    fi
    copies=$("$nm" --defined-only "$file" | awk '{ print $NF }' | sort -u | comm -12 - "$list")
    if [ -n "$copies" ]; then
        echo "$file holds the platform's own definitions:"
        echo "$copies" | head -40
        fail=1
    fi
    ;;
host)
    # What an executable exports besides its list: the linker's markers, data the runtime libraries take
    # from it by copy relocation, and the standard library's instantiations that the shared standard
    # library also defines (the linker exports those so that both use one).
    allowed='^(__asan_.*|__ubsan_.*|_edata|_end|__bss_start|_IO_stdin_used|__data_start|data_start|_fini|_init|__dso_handle|stdin|stdout|stderr|environ|__environ|_environ|optarg|optind|opterr|optopt|__progname|__progname_full|program_invocation_name|program_invocation_short_name)$'
    # Symbols with a version are the runtime libraries' own (copy relocations), not the program's.
    unversioned=$("$nm" -D --defined-only "$file" | awk '{ print $NF }' | grep -v '@' | sort -u)
    extra=$(echo "$unversioned" | comm -23 - <(sed -n 's/^  \(.*\);$/\1/p' "$list" | sort -u) | grep -Ev "$allowed" |
        grep -Ev '^_Z(Z|T[VIST])?N?K?(St|Sa|Sb|Ss|Si|So|Sd|9__gnu_cxx)' || true)
    if [ -n "$extra" ] && [ ${#runtime_lists[@]} -gt 0 ]; then
        patterns=$(sed -n 's/^ *\([A-Za-z0-9_.$*]*\);$/^\1$/p' "${runtime_lists[@]}" | sed 's/\*/.*/g')
        extra=$(echo "$extra" | grep -Ev -f <(echo "$patterns") || true)
    fi
    # What a shared library the program links also defines (its classes' tables, data by copy relocation)
    # is that library's.
    if [ -n "$extra" ]; then
        libraries=$(ldd "$file" 2>/dev/null | awk '/=> \// { print $3 }')
        if [ -n "$libraries" ]; then
            extra=$(echo "$extra" | comm -23 - <("$nm" -D --defined-only $libraries 2>/dev/null |
                awk '{ print $NF }' | sed 's/@.*//' | sort -u))
        fi
    fi
    if [ -n "$extra" ]; then
        echo "$file exports symbols that are not the platform's:"
        echo "$extra" | head -40
        fail=1
    fi
    ;;
*)
    echo "module|host" >&2
    exit 2
    ;;
esac
exit $fail
