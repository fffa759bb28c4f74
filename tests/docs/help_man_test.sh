#!/usr/bin/env bash
# kelvrin-cli --help and its manual page say the same things: the same
# options (in the synopsis and described), the same exit statuses, and the
# same facts where users have been misled before (the threads used at most,
# the output folder made, what happens to blocks).
#   help_man_test.sh KELVRIN_CLI MAN_PAGE
set -uo pipefail
cli=$1 man=$2
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

help=$("$cli" --help)
# The man page as text: roff's escaped hyphens as hyphens, requests dropped.
page=$(sed -e 's/\\-/-/g' -e 's/\\(<>/<>/g' -e 's/^\.[A-Z]* *//' -e 's/"//g' "$man")
# Options as words of their own: not the "-itrf93" of a system's name, nor
# another program's in the examples.
options() { grep -oE -- '(^|[][ |(,])--?[a-zA-Z][a-z-]*' | grep -oE -- '--?[a-zA-Z][a-z-]*' | sort -u; }
help_options=$(options <<<"$help")
man_options=$(sed -n '/^SINOPSE/,/^EXEMPLOS/p' <<<"$page" | options)
if [[ $help_options != "$man_options" ]]; then
  fail "options differ: $(diff <(echo "$help_options") <(echo "$man_options") | grep '^[<>]' | tr '\n' ' ')"
fi
synopsis() { sed -n "/$1/,/$2/p"; }
help_synopsis=$(synopsis 'Utilização:' '^$' <<<"$help" | options)
man_synopsis=$(synopsis '^SINOPSE' '^DESCRIÇÃO' <<<"$page" | options)
[[ $help_synopsis == "$man_synopsis" ]] ||
  fail "synopses differ: $(diff <(echo "$help_synopsis") <(echo "$man_synopsis") | grep '^[<>]' | tr '\n' ' ')"
for option in --method --allow-ballpark --threads --literal --output-dir --list; do
  grep -qxF -- "$option" <<<"$help_synopsis" || fail "$option is not in the synopsis"
done

# Facts both must state, as a phrase each.
for phrase in "4 no máximo" "é criada se não existir" "um bloco inserido uma só vez" \
    "Ctrl+C" "2 linha de comandos inválida"; do
  grep -qiF -- "$phrase" <<<"$(tr '\n' ' ' <<<"$help" | sed 's/  */ /g')" ||
    fail "--help lacks \"$phrase\""
  grep -qiF -- "$phrase" <<<"$(tr '\n' ' ' <<<"$page" | sed 's/  */ /g')" ||
    fail "the man page lacks \"$phrase\""
done

echo "$(wc -w <<<"$help_options") options; $failures failures"
[[ $failures -eq 0 ]]
