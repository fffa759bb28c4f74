# bash completion for kelvrin-cli
_kelvrin_cli() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  local systems="tm06 datum73 lisboa sao-braz faial graciosa pico sao-jorge terceira
    observatorio madeira qualquer utm26-itrf93 utm25-itrf93 utm28-itrf93"
  case $prev in
    --from|--to)
      mapfile -t COMPREPLY < <(compgen -W "$systems" -- "$cur")
      return ;;
    --method)
      mapfile -t COMPREPLY < <(compgen -W "official ntv2" -- "$cur")
      return ;;
    --threads)
      mapfile -t COMPREPLY < <(compgen -W "1 2 4 8" -- "$cur")
      return ;;
    --columns)
      mapfile -t COMPREPLY < <(compgen -W "P,E,N,Z,D P,N,E,Z,D P,M,P,Z,D E,N,Z" -- "$cur")
      return ;;
    --output-dir)
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return ;;
    --param-x|--param-y)
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "--from --to --method --param-x --param-y --output-dir --literal
      --threads --allow-ballpark --geolocate --columns --verbose --quiet -q --list --help -h --version -V" -- "$cur")
    return
  fi
  # Drawings and point lists, and folders.
  mapfile -t COMPREPLY < <(compgen -f -- "$cur" | grep -iE '\.(dxf|csv|txt|xyz|pnt|nez)$'
    compgen -d -- "$cur")
}
complete -o filenames -F _kelvrin_cli kelvrin-cli
