#!/bin/sh
# Fails (exit 1) when cmn/cmn_UnicodeTables.inc differs from what tools/gen_unicode_tables.py
# produces now from the installed Unicode Character Database; exit 2 when it cannot run.
# Usage: check_unicode_tables.sh [UnicodeData.txt]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
input=${1:-/usr/share/unicode/UnicodeData.txt}
committed="$root/cmn/cmn_UnicodeTables.inc"

tmp=$(mktemp) || exit 2
trap 'rm -f "$tmp"' EXIT INT TERM

if ! python3 "$root/tools/gen_unicode_tables.py" "$input" "$tmp"; then
  echo "check_unicode_tables: generator failed" >&2
  exit 2
fi
if ! diff -u "$committed" "$tmp"; then
  echo "check_unicode_tables: $committed is out of date; run tools/gen_unicode_tables.py" >&2
  exit 1
fi
echo "check_unicode_tables: up to date"
