#!/usr/bin/env bash
# Lists the symbols the platform archives define, for the host's export list and the module checks.
#   platform_symbols.sh <nm> <dynamic list out> <strong names out> <archive>...
# The dynamic list names every global the platform defines, leaving out the standard library's
# instantiations (each side has its own). The strong names are the platform's own non-weak functions and
# data, one a line: a module that defines one of them holds a copy of the platform.
set -euo pipefail
nm=$1 exports=$2 strong=$3
shift 3
"$nm" -g --defined-only -P "$@" |
    awk 'NF >= 2 && $1 !~ /:$/ && $2 != "u" && $1 !~ /^_Z(T[VIST])?N?K?(St|Sa|Sb|Ss|Si|So|Sd|9__gnu_cxx)/ {
             print $1, $2
         }' | sort -u >"$strong.all"
{
    echo "{"
    awk '{ print "  " $1 ";" }' "$strong.all" | sort -u
    echo "};"
} >"$exports"
awk '$2 ~ /^[TDBR]$/ { print $1 }' "$strong.all" | sort -u >"$strong"
rm -f "$strong.all"
