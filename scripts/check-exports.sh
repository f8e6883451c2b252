#!/usr/bin/env bash
# Exports every VRML and X file of the shared corpus and of the repro scenes
# to .glb, checks each with the Khronos glTF validator (0 errors wanted) and
# compares the triangles the asset library reads back with those the
# program held. The validator comes from npm, into build/tools.
#   usage: bash scripts/check-exports.sh [SHARED_DIR]   (default ../shared)
set -uo pipefail
cd "$(dirname "$0")/.."
SHARED="${1:-../shared}"
QV="${QV:-build/quorvel}"
TOOLS=build/tools
if [ ! -f "$TOOLS/node_modules/gltf-validator/package.json" ]; then
  mkdir -p "$TOOLS"
  npm install --prefix "$TOOLS" --no-audit --no-fund --silent gltf-validator@2.0.0-dev.3.10 >/dev/null
fi
export NODE_PATH="$PWD/$TOOLS/node_modules"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

checked=0; skipped=0; bad=0
while IFS= read -r -d '' f; do
  n=$((checked + skipped))
  glb="$OUT/$n.glb"
  line="$("$QV" --export "$glb" "$f" 2>/dev/null)"
  if [ ! -f "$glb" ]; then
    skipped=$((skipped + 1))   # a file the program refuses has nothing to export
    continue
  fi
  checked=$((checked + 1))
  held="$(sed -n 's/.* objects, \([0-9]*\) triangles$/\1/p' <<<"$line")"
  if ! v="$(node scripts/gltf_validate.js "$glb")"; then
    echo "INVALID $f"; echo "$v"; bad=$((bad + 1)); continue
  fi
  if [ "$held" -gt 0 ]; then
    got="$(assimp info "$glb" -r 2>/dev/null | sed -n 's/^Faces: *\([0-9]*\)$/\1/p')"
    if [ "$got" != "$held" ]; then
      echo "COUNT $f: held $held, read back ${got:-nothing}"; bad=$((bad + 1)); continue
    fi
  fi
done < <(find "$SHARED/corpus" "$SHARED/repro" -type f \( -iname '*.wrl' -o -iname '*.x' -o -iname '*.wrz' -o -iname '*.wrl.gz' \) -print0 | sort -z)
echo "exported and validated: $checked, refused by the reader: $skipped, failed: $bad"
[ "$bad" -eq 0 ]
