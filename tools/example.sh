#!/usr/bin/env bash
# Builds kelvrin and converts the example drawing from ETRS89 TM06 to
# Datum 73 with kelvrin-cli.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

mkdir -p build/example
build/default/bin/kelvrin-cli --from "ETRS89 TM06" --to "Hayford-Gauss Datum 73" \
  examples/planta_tm06.dxf build/example/planta_datum73.dxf
echo "Resultado: $(pwd)/build/example/planta_datum73.dxf"
