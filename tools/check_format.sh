#!/usr/bin/env bash
# Fails (exit 1) when a tracked C++ file differs from what clang-format makes of it under the
# repository's .clang-format; lists the files and the fix. Exit 2 when clang-format is missing.
# Usage: check_format.sh [file...]   (default: every tracked .h/.cpp/.cc/.hpp file except
# generated tables)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" >/dev/null; then
  echo "check_format: $formatter not found" >&2
  exit 2
fi

files=()
if (($# > 0)); then
  files=("$@")
else
  # Generated tables keep the generator's layout.
  mapfile -t files < <(git ls-files '*.h' '*.cpp' '*.cc' '*.hpp' | grep -v '_UnicodeTables\.inc$')
fi

# One clang-format process for all files (one per file is many times slower); its diagnostics
# name each file that is off as "path:line:col: error: ...".
mapfile -t off < <(printf '%s\0' "${files[@]}" |
  xargs -0 "$formatter" --dry-run --Werror 2>&1 >/dev/null |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
if ((${#off[@]} > 0)); then
  printf 'check_format: not formatted: %s\n' "${off[@]}" >&2
  echo "check_format: run: $formatter -i ${off[*]}" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"
