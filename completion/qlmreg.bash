# bash completion for qlmreg(8).                                       -*- shell-script -*-
# Key paths and value names are read from the store with qlmreg itself, in the scope given on
# the command line so far.

_qlmreg_roots="HKLM HKCU HKCR HKU HKCC HKEY_LOCAL_MACHINE HKEY_CURRENT_USER HKEY_CLASSES_ROOT HKEY_USERS HKEY_CURRENT_CONFIG"
_qlmreg_commands="get query list set delete-key delete-value effective check"
_qlmreg_options="--system --data --user --file --policy --show-origin --json --help --version"

# The word as the program will receive it: without an opening quote, backslash escapes undone.
_qlmreg_dequote() {
  local word=$1
  case $word in
    \'*) word=${word#\'}; word=${word%\'} ;;
    \"*) word=${word#\"}; word=${word%\"} ;;
    *) word=$(printf '%s' "$word" | sed -e 's/\\\(.\)/\1/g') ;;
  esac
  printf '%s' "$word"
}

_qlmreg() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  local program=${COMP_WORDS[0]}
  local -a scope=()
  local command= i word
  local -a positional=()
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      --system | --data | --user | --policy) scope+=("$word") ;;
      --file | -c)
        if ((i + 1 < COMP_CWORD)); then
          scope+=("$word" "$(_qlmreg_dequote "${COMP_WORDS[i + 1]}")")
        fi
        ((i++))
        ;;
      -t) ((i++)) ;;
      -*) ;;
      *)
        if [[ -z $command ]]; then command=$word; else positional+=("$(_qlmreg_dequote "$word")"); fi
        ;;
    esac
  done

  case $prev in
    --file | -c)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return 0
      ;;
    -t)
      [[ $command == set ]] &&
        mapfile -t COMPREPLY < <(compgen -W "SZ EXPAND_SZ DWORD BINARY MULTI_SZ" -- "$cur")
      return 0
      ;;
  esac

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W "$_qlmreg_options" -- "$cur")
    else
      mapfile -t COMPREPLY < <(compgen -W "$_qlmreg_commands" -- "$cur")
    fi
    return 0
  fi
  if [[ $cur == -* ]]; then
    local extra=
    [[ $command == set ]] && extra="-t --"
    mapfile -t COMPREPLY < <(compgen -W "--show-origin --json $extra" -- "$cur")
    return 0
  fi

  case $command in
    get | query | list | set | delete-key | delete-value | delete) ;;
    *) return 0 ;;
  esac

  local typed
  typed=$(_qlmreg_dequote "$cur")
  if ((${#positional[@]} == 0)); then
    # A key: a root name, then the subkeys of what is typed up to its last backslash. The
    # candidates are the words as the program gets them; readline quotes them.
    compopt -o filenames -o nospace 2>/dev/null
    if [[ $typed != *\\* ]]; then
      local root
      for root in $_qlmreg_roots; do
        [[ ${root,,} == "${typed,,}"* ]] && COMPREPLY+=("$root\\")
      done
      return 0
    fi
    local parent=${typed%\\*} leaf=${typed##*\\} name
    while IFS= read -r name; do
      [[ -n $name && ${name,,} == "${leaf,,}"* ]] && COMPREPLY+=("$parent\\$name\\")
    done < <("$program" "${scope[@]}" list "$parent" 2>/dev/null)
    return 0
  fi
  if ((${#positional[@]} == 1)); then
    case $command in
      get | set | delete-value | delete)
        compopt -o filenames 2>/dev/null
        local name rest
        while IFS=$'\t' read -r name rest; do
          [[ -n $name && $name != "(Default)" && ${name,,} == "${typed,,}"* ]] &&
            COMPREPLY+=("$name")
        done < <("$program" "${scope[@]}" query "${positional[0]}" 2>/dev/null)
        ;;
    esac
  fi
  return 0
}
complete -F _qlmreg qlmreg
