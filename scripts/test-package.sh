#!/usr/bin/env bash
# The packaging stage: builds the Debian package from the release configuration, runs lintian
# (no error, no warning), checks the manual pages with mandoc, and, as root, installs the
# package on this machine, runs the installed qlmpolicy against a fake installation agent,
# checks its log, its metrics (with the Prometheus client's text parser), qlmreg on the
# installed /etc/quillmarsh.ini, the units, the completion, removes and purges the package and
# checks that nothing of it is left. A trap purges the package whatever fails, so the machine
# is left as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

fail() {
  echo "test-package: FAIL: $*" >&2
  exit 1
}
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else fail "$what"; fi
}

mkdir -p build
if ! deb=$(scripts/build-deb.sh 2>build/deb-build.log | tail -n 1) || [[ ! -f $deb ]]; then
  tail -n 40 build/deb-build.log
  fail "the package does not build (build/deb-build.log)"
fi
echo "package: $deb"

echo "-- lintian"
lintian --fail-on error,warning --info --display-level ">=warning" "$deb" 2>&1 |
  grep -v "running with root privileges" || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || fail "lintian reports errors or warnings"
echo "ok   lintian: no error, no warning (overrides: debian/qlmpolicy.lintian-overrides)"

echo "-- manual pages"
mandoc_out=$(mandoc -T lint build/release/man/qlmpolicy.1 build/release/man/qlmreg.8 \
  build/release/man/quillmarsh.ini.5 2>&1 || true)
[[ -z $mandoc_out ]] || fail "mandoc -T lint: $mandoc_out"
echo "ok   mandoc -T lint reports nothing"

if [[ $(id -u) -ne 0 ]]; then
  echo "test-package: not root: the package is built and checked but not installed (skipped)"
  exit 0
fi
if dpkg-query -W -f='${Status}' qlmpolicy 2>/dev/null | grep -q "installed"; then
  echo "test-package: qlmpolicy is installed on this machine already; not touching it (skipped)"
  exit 0
fi

# Everything this stage adds to the machine goes in the trap.
work=$(mktemp -d /tmp/qlm-package.XXXXXX)
made_textfiles=""
cleanup() {
  local rc=$?
  dpkg --purge qlmpolicy >/dev/null 2>&1 || true
  if [[ -n $made_textfiles ]]; then rm -rf "$made_textfiles"; fi
  rm -rf "$work"
  exit $rc
}
trap cleanup EXIT INT TERM

# The node exporter's textfile directory, as its package leaves it, so the link is made.
textfiles=/var/lib/prometheus/node-exporter
if [[ ! -d /var/lib/prometheus ]]; then
  made_textfiles=/var/lib/prometheus
  mkdir -p "$textfiles"
fi

echo "-- install"
dpkg -i "$deb" >"$work/dpkg-i.log" 2>&1 || { cat "$work/dpkg-i.log"; fail "dpkg -i"; }
check "dpkg --verify: every file as packaged" test -z "$(dpkg --verify qlmpolicy)"
for d in /var/lib/quillmarsh /var/lib/quillmarsh/etc /var/lib/quillmarsh/run \
  /var/lib/quillmarsh/metrics /var/log/quillmarsh; do
  check "$d is root's, 0755" test "$(stat -c '%U:%G %a' "$d")" = "root:root 755"
done
check "timer enabled" test -L /etc/systemd/system/timers.target.wants/qlmpolicy.timer
check "user timer enabled for every user" \
  test -L /etc/systemd/user/timers.target.wants/qlmpolicy-user.timer
check "metrics linked for the node exporter" \
  test "$(readlink $textfiles/qlmpolicy.prom)" = /var/lib/quillmarsh/metrics/qlmpolicy.prom

echo "-- units"
verify_out=$(systemd-analyze verify /lib/systemd/system/qlmpolicy.service \
  /lib/systemd/system/qlmpolicy.timer 2>&1) || fail "systemd-analyze verify: $verify_out"
[[ -z $verify_out ]] || fail "systemd-analyze verify: $verify_out"
mkdir -m 0700 "$work/runtime"
verify_out=$(XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user verify \
  /usr/lib/systemd/user/qlmpolicy-user.service /usr/lib/systemd/user/qlmpolicy-user.timer 2>&1) ||
  fail "systemd-analyze --user verify: $verify_out"
[[ -z $verify_out ]] || fail "systemd-analyze --user verify: $verify_out"
echo "ok   systemd-analyze verify: system and user units"
# -d: only read and explain, nothing is rotated or recorded.
logrotate -d /etc/logrotate.d/quillmarsh >"$work/logrotate.log" 2>&1 ||
  { cat "$work/logrotate.log"; fail "logrotate rejects /etc/logrotate.d/quillmarsh"; }
echo "ok   logrotate accepts the stanza"
check "man qlmpolicy" test -n "$(man -w qlmpolicy)"
check "man qlmreg and quillmarsh.ini" test -n "$(man -w 8 qlmreg)" -a -n "$(man -w 5 quillmarsh.ini)"
check "completion installed and loadable" bash -c '
  source /usr/share/bash-completion/completions/qlmpolicy
  COMP_WORDS=(qlmpolicy -t M); COMP_CWORD=2; _qlmpolicy; [[ ${COMPREPLY[*]} == Machine ]]'

echo "-- the installed programs"
env -i PATH=/usr/bin:/bin /usr/bin/qlmpolicy --version >"$work/version" ||
  fail "qlmpolicy --version"
check "qlmpolicy --version" grep -q "^qlmpolicy (" "$work/version"
check "--version wrote no log" test ! -e /var/log/quillmarsh/quillmarsh.log

mkdir -p "$work/agent" "$work/calls"
cp e2e/fake/rklaunch "$work/agent/rklaunch"
chmod 0755 "$work/agent/rklaunch"
set +e
env -i HOME=/root PATH="$work/agent:/usr/bin:/bin" FAKE_RKLAUNCH_DIR="$work/calls" LANG=C.UTF-8 \
  /usr/bin/qlmpolicy -o DownloadRootURL=http://deploy.example.com/qlm
rc=$?
set -e
log=/var/log/quillmarsh/quillmarsh.log
[[ $rc -eq 0 ]] || { cat "$log" 2>/dev/null; fail "qlmpolicy exited with $rc"; }
echo "ok   /usr/bin/qlmpolicy applied the machine policy"
check "the agent was called" test -f "$work/calls/call.1"
check "log under /var/log/quillmarsh" grep -q "Program exited successfully" "$log"
check "log names the agent's command line" grep -q "Calling Varnholt installation agent" "$log"
check "log names the download root" grep -q "http://deploy.example.com/qlm" "$log"
check "nothing logged to the data directory" test ! -e /var/lib/quillmarsh/log
metrics=/var/lib/quillmarsh/metrics/qlmpolicy.prom
check "metrics written" test -f "$metrics"
check "metrics read through the node exporter's link" test -f "$textfiles/qlmpolicy.prom"
/usr/bin/python3 - "$textfiles/qlmpolicy.prom" <<'PY' || fail "metrics do not parse"
import sys
from prometheus_client.parser import text_string_to_metric_families
seen = {}
for family in text_string_to_metric_families(open(sys.argv[1]).read()):
    for s in family.samples:
        seen[s.name] = (s.labels, s.value)
assert seen["qlmpolicy_last_run_exit_code"] == ({"policy_type": "Machine"}, 0), seen
assert seen["qlmpolicy_last_run_agent_exit_code"][1] == 0, seen
assert seen["qlmpolicy_last_run_refused_by_lock"][1] == 0, seen
assert seen["qlmpolicy_last_success_timestamp_seconds"][1] > 0, seen
print("ok   metrics parse with prometheus_client:", len(seen), "metrics")
PY
check "the conffile is left alone by a run" test -z "$(dpkg --verify qlmpolicy)"

key='HKLM\Software\Quillmarsh Corp\Quillmarsh'
check "qlmreg reads InstallDir of /etc/quillmarsh.ini" \
  test "$(env -i HOME=/root PATH=/usr/bin:/bin /usr/bin/qlmreg get "$key" InstallDir)" = /opt/quillmarsh
check "qlmreg reads the shipped Common section" \
  test "$(env -i HOME=/root PATH=/usr/bin:/bin /usr/bin/qlmreg get "$key\\Common" LogFile)" = \
  /var/log/quillmarsh/quillmarsh.log

echo "-- remove keeps configuration and data"
dpkg -r qlmpolicy >"$work/dpkg-r.log" 2>&1 || { cat "$work/dpkg-r.log"; fail "dpkg -r"; }
check "programs removed" test ! -e /opt/quillmarsh -a ! -e /usr/bin/qlmpolicy
check "configuration kept" test -f /etc/quillmarsh.ini
check "data and log kept" test -d /var/lib/quillmarsh -a -f "$log"

echo "-- purge removes everything"
dpkg --purge qlmpolicy >"$work/dpkg-p.log" 2>&1 || { cat "$work/dpkg-p.log"; fail "dpkg --purge"; }
left=()
for path in /opt/quillmarsh /usr/bin/qlmpolicy /usr/bin/qlmreg /etc/quillmarsh.ini \
  /etc/logrotate.d/quillmarsh /var/lib/quillmarsh /var/log/quillmarsh \
  /lib/systemd/system/qlmpolicy.service /lib/systemd/system/qlmpolicy.timer \
  /usr/lib/systemd/user/qlmpolicy-user.service /usr/lib/systemd/user/qlmpolicy-user.timer \
  /usr/lib/tmpfiles.d/quillmarsh.conf /usr/share/man/man1/qlmpolicy.1.gz \
  /usr/share/bash-completion/completions/qlmpolicy /usr/share/doc/qlmpolicy \
  /etc/systemd/system/timers.target.wants/qlmpolicy.timer \
  /etc/systemd/user/timers.target.wants/qlmpolicy-user.timer "$textfiles/qlmpolicy.prom"; do
  if [[ -e $path || -L $path ]]; then left+=("$path"); fi
done
((${#left[@]} == 0)) || fail "left after purge: ${left[*]}"
if find /var/lib/systemd/deb-systemd-helper-enabled /var/lib/systemd/deb-systemd-user-helper-enabled \
  -name '*qlmpolicy*' 2>/dev/null | grep -q .; then
  fail "systemd enablement state left after purge"
fi
check "dpkg forgot the package" test -z "$(dpkg-query -W -f='${Status}' qlmpolicy 2>/dev/null)"
echo "test-package: all packaging checks passed"
