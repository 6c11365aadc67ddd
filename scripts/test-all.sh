#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs every test:
#   0. the includes against the layer table (cmake/layers.txt, docs/architecture.md), and the
#      clang-format check of every tracked C++ file
#   1. release build (g++): unit and end-to-end tests, generated-table check, clang-tidy over
#      every library, plug-in and tool folder (tidy_folders)
#   1b. the Debian package from that same release build: lintian, manual pages, and as root
#      dpkg -i, the installed programs, remove and purge (scripts/test-package.sh)
#   2. debug build with AddressSanitizer + UndefinedBehaviorSanitizer (g++): the same tests
#   3. debug build with ThreadSanitizer (clang): the test programs that run threads
#   4. libFuzzer build (clang): each fuzz target for a short smoke run over its seed corpus
# Every build treats warnings as errors (QLM_WERROR; set QLM_WERROR=OFF to build anyway with a
# compiler newer than the one this was written for).
# Exits non-zero on the first failure. Set QLM_FUZZ_SECONDS to change the smoke length.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${QLM_FUZZ_SECONDS:-5}
werror=(-DQLM_WERROR="${QLM_WERROR:-ON}")

step() { printf '\n==== %s ====\n' "$*"; }

step "dependencies"
scripts/install-deps.sh

step "generated tables are up to date"
if [[ -x tools/check_unicode_tables.sh ]]; then tools/check_unicode_tables.sh; fi

step "layer table and includes"
# Also a test of the release suite (check_includes); here it fails before anything is built.
python3 tools/check_includes.py
python3 tools/check_includes_test.py

step "formatting"
tools/check_format.sh

step "release build and tests"
cmake --preset release "${werror[@]}" >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

step "clang-tidy"
# Every folder of library, plug-in and tool sources (about 4 minutes on 2 cores); naming
# findings are counted, not failed.
tidy_folders=(messages cmn base log time os registry env logmgr context security net servers
  policy plugins tools/qlmcatc tools/qlmreg)
tools/run_clang_tidy.sh -p build/release -j "$jobs" "${tidy_folders[@]}"

step "Debian package: build, lintian, install, run, purge"
# Reuses build/release: nothing is compiled again. The stage purges what it installed even
# when a check fails.
scripts/test-package.sh

step "ASan+UBSan build and tests"
cmake --preset asan "${werror[@]}" >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j "$jobs"

step "TSan build and threaded tests"
# Only the programs whose code or tests start threads (thread registry, semaphores, error
# buffers, tracer, catalogs, string bodies, the log manager), built and run whole: one process
# per program keeps the stage at about 3 minutes on 2 cores. A report fails the stage.
# Address-space randomisation is switched off for the runs: clang 14's TSan cannot map its
# shadow memory when the kernel randomises with more than 28 bits.
tsan_programs=(cmn_tests base_tests os_tests log_tests logmgr_tests env_tests)
cmake --preset tsan "${werror[@]}" >/dev/null
cmake --build --preset tsan -j "$jobs" --target "${tsan_programs[@]}"
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then norandom=(setarch "$(uname -m)" -R); fi
for program in "${tsan_programs[@]}"; do
  echo "-- $program"
  (cd "$root/build/tsan/tests" &&
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:history_size=4" \
      "${norandom[@]}" "./$program" --gtest_brief=1)
done

step "fuzz smoke (${fuzz_seconds}s per target)"
cmake --preset fuzz "${werror[@]}" >/dev/null
cmake --build --preset fuzz -j "$jobs"
shopt -s nullglob
targets=("$root"/build/fuzz/fuzz/*_fuzz)
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus="$root/fuzz/corpus/$name"
  work=$(mktemp -d)
  [[ -d $corpus ]] && cp -r "$corpus"/. "$work"/
  echo "-- $name"
  if ! (cd "$work" && "$t" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        "$work" >"$work.log" 2>&1); then
    cat "$work.log"
    echo "fuzz target $name failed" >&2
    exit 1
  fi
  grep -E '^Done|#[0-9]+.*DONE' "$work.log" | tail -n 1 || true
  rm -rf "$work" "$work.log"
done

step "all tests passed"
