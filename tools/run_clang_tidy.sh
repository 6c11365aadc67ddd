#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the C++ sources of the given folders
# (default: cmn os registry), using the compile commands of a configured build directory.
# Fails (exit 1) on any bugprone or performance finding; naming findings are counted per
# folder and reported, without failing the run. Exit 2 when it cannot run.
# Usage: run_clang_tidy.sh [-p build/release] [-j jobs] [folder...]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
build=build/release
jobs=$(nproc)
while getopts "p:j:" opt; do
  case $opt in
    p) build=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
folders=("$@")
((${#folders[@]} > 0)) || folders=(cmn os registry)
tidy=${CLANG_TIDY:-clang-tidy}
if ! command -v "$tidy" >/dev/null; then
  echo "run_clang_tidy: $tidy not found" >&2
  exit 2
fi
if [[ ! -f $build/compile_commands.json ]]; then
  echo "run_clang_tidy: no $build/compile_commands.json (configure the build first)" >&2
  exit 2
fi

mapfile -t sources < <(git ls-files -- "${folders[@]/%//*.cpp}")
if ((${#sources[@]} == 0)); then
  echo "run_clang_tidy: no sources in ${folders[*]}" >&2
  exit 2
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\0' "${sources[@]}" |
  xargs -0 -n 4 -P "$jobs" "$tidy" -p "$build" --quiet >"$log" 2>/dev/null
# A header's findings repeat for every source that includes it: each is counted once.
mapfile -t findings < <(grep -E '^/.*:[0-9]+:[0-9]+: (warning|error): .*\[[a-z-]+(,[a-z-]+)*\]$' "$log" |
  sed "s|^$(pwd)/||" | sort -u)
naming=0
failed=0
for f in "${findings[@]}"; do
  if [[ $f == *"[readability-identifier-naming]" ]]; then
    naming=$((naming + 1))
  else
    failed=$((failed + 1))
    printf '%s\n' "$f"
  fi
done
echo "run_clang_tidy: ${#sources[@]} sources in ${folders[*]}; $failed findings;" \
  "$naming member names off the convention"
if ((naming > 0)); then
  printf '%s\n' "${findings[@]}" | grep -F '[readability-identifier-naming]' |
    cut -d/ -f1 | sort | uniq -c | sed 's/^/  naming by folder: /'
fi
((failed == 0))
