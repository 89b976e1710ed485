#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The layers' rule: each product folder includes headers only from the folders below it. Every
# header can be found from the project's root, so the build alone would not notice an include
# that points the wrong way; this reads them.
# Usage: tests/include_layers_test.sh SOURCE_DIR
set -euo pipefail
cd "$1"
declare -A allowed=(
    [common]="common"
    [platform]="platform common"
    [listing]="listing platform common"
    [backend]="backend platform common"
    [window]="window listing backend platform common"
    [app]="app window listing backend platform common"
    [tools/demo_backend]="tools/demo_backend"
)
wrong=0
for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line included; do
        [[ $included =~ \"(.+)/[^/]+\" ]]
        target=${BASH_REMATCH[1]}
        if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
            echo "$file:$line: $folder may not include $target"
            wrong=$((wrong + 1))
        fi
    done < <(grep -nE '^#include "[^"]+/[^"]+"' "$folder"/*.h "$folder"/*.cpp 2>/dev/null || true)
done
[[ $wrong -eq 0 ]] || { echo "include layers: $wrong includes point the wrong way" >&2; exit 1; }
echo "include layers: every product folder includes only what lies below it"
