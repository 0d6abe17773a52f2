# SPDX-License-Identifier: MIT
# Bash completion for veltrane and veltrane-screen.
# The subcommands, options and choices are read from the command's own --help each time, so they
# are always those of the command being completed. Serial devices come from `veltrane ports`,
# program files are completed by extension (.json, .bin), folders where an option takes one.

# The help of the command line's command: its subcommand's help when SUBCOMMAND is given.
_veltrane_help() {
  local command=$1 subcommand=${2:-}
  if [[ -n $subcommand ]]; then
    "$command" "$subcommand" --help 2>/dev/null
  else
    "$command" --help 2>/dev/null
  fi
}

# The subcommands listed under "Subcommands:" in HELP.
_veltrane_subcommands() {
  sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p' <<<"$1"
}

# One line per option in HELP: its names (comma-separated), then its value's placeholder if it
# takes one ("TEXT", "DIR", "TEXT:{squares,dots}", ...). An option's placeholder follows its names
# after one space; two or more spaces end the names, and "Needs:"/"Excludes:" are no placeholder.
_veltrane_option_lines() {
  sed -n 's/^  \(-[^ ]*\)\( [^ ][^ ]*\)\{0,1\}.*/\1\2/p' <<<"$1" |
    sed -E 's/ (Needs:|Excludes:).*$//'
}

# The placeholder of the value OPTION takes according to HELP; nothing for a flag.
_veltrane_placeholder() {
  local option=$1 names placeholder
  while read -r names placeholder; do
    if [[ ,$names, == *",$option,"* ]]; then
      printf '%s\n' "$placeholder"
      return
    fi
  done < <(_veltrane_option_lines "$2")
}

# The serial devices `veltrane ports` lists (the first column of its lines).
_veltrane_serial_devices() {
  local command=$1 veltrane
  veltrane=${command%-screen}
  [[ -x $veltrane ]] || veltrane=veltrane
  "$veltrane" ports 2>/dev/null | cut -f1
}

# Adds the files under CUR with one of the given extensions, and the folders, to COMPREPLY.
_veltrane_files() {
  local cur=$1 path extension
  shift
  compopt -o filenames 2>/dev/null
  while IFS= read -r path; do
    if [[ -d $path ]]; then
      COMPREPLY+=("$path")
      continue
    fi
    for extension in "$@"; do
      [[ $path == *."$extension" ]] && COMPREPLY+=("$path")
    done
  done < <(compgen -f -- "$cur")
}

# Completes the value of OPTION, whose placeholder in the help is PLACEHOLDER.
_veltrane_complete_value() {
  local command=$1 option=$2 placeholder=$3 cur=$4 choices
  if [[ $placeholder =~ \{([^}]*)\} ]]; then
    choices=${BASH_REMATCH[1]//,/ }
    mapfile -t COMPREPLY < <(compgen -W "$choices" -- "$cur")
  elif [[ $option == --serial ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(_veltrane_serial_devices "$command")" -- "$cur")
  elif [[ $placeholder == DIR || $option == --render ]]; then
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
  elif [[ $option == -o || $option == --output ]]; then
    _veltrane_files "$cur" png
  elif [[ $option == --to ]]; then
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}

_veltrane() {
  local command=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=""
  local help subcommand="" word index placeholder
  COMPREPLY=()
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}

  help=$(_veltrane_help "$command")
  local -a subcommands
  mapfile -t subcommands < <(_veltrane_subcommands "$help")
  for ((index = 1; index < COMP_CWORD; index++)); do
    word=${COMP_WORDS[index]}
    if [[ " ${subcommands[*]} " == *" $word "* ]]; then
      subcommand=$word
      help=$(_veltrane_help "$command" "$subcommand")
      break
    fi
  done

  if [[ $prev == -* ]]; then
    placeholder=$(_veltrane_placeholder "$prev" "$help")
    if [[ -n $placeholder ]]; then
      _veltrane_complete_value "$command" "$prev" "$placeholder" "$cur"
      return 0
    fi
  fi

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(_veltrane_option_lines "$help" | cut -d' ' -f1 | tr ',' ' ')" -- "$cur")
  elif [[ -z $subcommand && ${#subcommands[@]} -gt 0 ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${subcommands[*]}" -- "$cur")
  elif sed -n '/^Positionals:/,/^$/p' <<<"$help" | grep -q 'program'; then
    _veltrane_files "$cur" json bin
  fi
  return 0
}

complete -F _veltrane veltrane veltrane-screen
