#!/usr/bin/env bash
# The bash completion of qlmpolicy and qlmreg, loaded into a non-interactive shell: each case
# sets the words of a command line and checks what the completion function offers.
#   completion_test.sh <directory with the generated completion files> <qlmreg program>
set -uo pipefail
dir=$1
qlmreg=$2
failures=0

# shellcheck source=/dev/null
source "$dir/qlmpolicy" || exit 1
# shellcheck source=/dev/null
source "$dir/qlmreg" || exit 1

# complete_words FUNCTION WORD... : completes the last word; COMPREPLY holds the result.
complete_words() {
  local function=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$function"
}

# expect NAME EXPECTED-SORTED-WORDS... -- FUNCTION WORD...
expect() {
  local name=$1
  shift
  local -a want=()
  while [[ $1 != -- ]]; do want+=("$1"); shift; done
  shift
  complete_words "$@"
  local got want_text
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
  want_text=$(printf '%s\n' "${want[@]}" | sort)
  if [[ $got != "$want_text" ]]; then
    echo "FAIL $name: expected [$want_text] got [$got]"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# contains NAME WORD -- FUNCTION WORD... : the offer includes WORD.
contains() {
  local name=$1 word=$2
  shift 3
  complete_words "$@"
  local w
  for w in "${COMPREPLY[@]}"; do [[ $w == "$word" ]] && { echo "ok   $name"; return; }; done
  echo "FAIL $name: [$word] not in [${COMPREPLY[*]}]"
  failures=$((failures + 1))
}

# qlmpolicy: options, policy types, preference names from the default table.
expect "qlmpolicy options" --help --version -- _qlmpolicy qlmpolicy --
expect "qlmpolicy short options" --help --version -a -l -o -s -t -- _qlmpolicy qlmpolicy -
expect "qlmpolicy -t" Machine User -- _qlmpolicy qlmpolicy -t ""
expect "qlmpolicy -t M" Machine -- _qlmpolicy qlmpolicy -t M
expect "qlmpolicy -o LogFi" LogFile= LogFileBak= LogFileOld= LogFileSize= -- _qlmpolicy qlmpolicy -o LogFi
contains "qlmpolicy -o knows the client's names" SingleInstance= -- _qlmpolicy qlmpolicy -o S
contains "qlmpolicy -o knows the security table" CheckServerCertificate= -- _qlmpolicy qlmpolicy -o Check
expect "qlmpolicy -o value is free text" -- _qlmpolicy qlmpolicy -o LogFile=/v
expect "qlmpolicy -s takes an address" -- _qlmpolicy qlmpolicy -s ""
expect "qlmpolicy operands" -- _qlmpolicy qlmpolicy ""

# qlmreg: commands, options, keys and value names read from a store of its own.
world=$(mktemp -d)
trap 'rm -rf "$world"' EXIT
cat >"$world/q.ini" <<'INI'
[Quillmarsh]
InstallDir=/opt/quillmarsh
[Quillmarsh\Policy Client\CurrentVersion]
PolicyServerURL=http://deploy.example.com/qlm
Retries{dword}=3
[Quillmarsh\Common]
LogFile=/var/log/quillmarsh/quillmarsh.log
INI
export HOME=$world QUILLMARSHCONFIGINI=$world/q.ini
expect "qlmreg commands" check delete-key delete-value effective get list query set -- _qlmreg "$qlmreg" ""
expect "qlmreg d" delete-key delete-value -- _qlmreg "$qlmreg" d
contains "qlmreg scope options" --system -- _qlmreg "$qlmreg" --s
expect "qlmreg root names" 'HKLM\' -- _qlmreg "$qlmreg" query HKL
expect "qlmreg subkeys" 'HKLM\Software\Policies\' 'HKLM\Software\Quillmarsh Corp\' -- \
  _qlmreg "$qlmreg" -c "$world/q.ini" query 'HKLM\\Software\\'
expect "qlmreg subkeys in quotes" 'HKLM\Software\Quillmarsh Corp\Quillmarsh\Common\' \
  'HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\' -- \
  _qlmreg "$qlmreg" -c "$world/q.ini" list "'HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\"
expect "qlmreg subkeys escaped" 'HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\' -- \
  _qlmreg "$qlmreg" -c "$world/q.ini" get 'HKLM\\Software\\Quillmarsh\ Corp\\Quillmarsh\\Po'
expect "qlmreg value names" PolicyServerURL -- \
  _qlmreg "$qlmreg" -c "$world/q.ini" get \
  "'HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion'" P
expect "qlmreg value names of set" PolicyServerURL Retries -- \
  _qlmreg "$qlmreg" -c "$world/q.ini" set \
  "'HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion'" ""
expect "qlmreg set -t" DWORD -- _qlmreg "$qlmreg" set K N -t D
expect "qlmreg no third word" -- _qlmreg "$qlmreg" get K N ""

if ((failures > 0)); then
  echo "$failures completion case(s) failed"
  exit 1
fi
echo "all completion cases passed"
