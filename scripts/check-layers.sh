#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a folder above its own.
# The folders stack from the ground up; each may use those below it only.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(core image scene render files display output shell app)
declare -A rank
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done

status=0
for folder in "${order[@]}"; do
  [ -d "src/$folder" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    used=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    [ -n "${rank[$used]+x}" ] || continue
    if [ "${rank[$used]}" -gt "${rank[$folder]}" ]; then
      echo "$file includes a header from src/$used, which is above src/$folder" >&2
      status=1
    fi
  done < <(grep -rHn -E '^\s*#\s*include "[a-z_]+/' "src/$folder" || true)
done
[ "$status" -eq 0 ] && echo "every include goes down or sideways"
exit "$status"
