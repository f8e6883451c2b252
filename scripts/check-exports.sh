#!/usr/bin/env bash
# Exports scenes to .glb, checks each file with the Khronos glTF validator
# (0 errors wanted) and compares the triangles the asset library reads back
# with those the program held. The validator comes from npm, into
# build/tools, on the first run.
#   bash scripts/check-exports.sh [--quick] [SHARED_DIR]   (default ../shared)
# Without --quick: every VRML and X file of the shared corpus and of the
# repro scenes (a few minutes; run by hand). With --quick (the test script
# runs it): the sample scenes and the real-world repro scenes, when the
# shared folder is there.
set -uo pipefail
cd "$(dirname "$0")/.."
QUICK=0
SHARED=../shared
for a in "$@"; do
  case "$a" in
    --quick) QUICK=1 ;;
    *) SHARED=$a ;;
  esac
done
QV="${QV:-build/quorvel}"
TOOLS=build/tools
fail() { echo "check-exports.sh: $*" >&2; exit 1; }
[ -x "$QV" ] || fail "no program at $QV (build it first)"
command -v assimp >/dev/null || fail "assimp (package assimp-utils) is needed to read the exports back"
if [ ! -f "$TOOLS/node_modules/gltf-validator/package.json" ]; then
  mkdir -p "$TOOLS"
  npm install --prefix "$TOOLS" --no-audit --no-fund --silent gltf-validator@2.0.0-dev.3.10 >/dev/null \
    || fail "npm could not install gltf-validator"
fi
export NODE_PATH="$PWD/$TOOLS/node_modules"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

scenes() {
  if [ "$QUICK" = 1 ]; then
    # Everything but pictures, notes and scripts.
    local others=(! -iname '*.bmp' ! -iname '*.jpg' ! -iname '*.png' ! -iname '*.tga' ! -iname '*.gif'
                  ! -iname '*.md' ! -iname '*.tsv' ! -iname '*.scr')
    find samples -maxdepth 1 -type f "${others[@]}" -print0
    [ -d "$SHARED/repro/real-world" ] && find "$SHARED/repro/real-world" -type f "${others[@]}" -print0
  else
    find "$SHARED/corpus" "$SHARED/repro" -type f \( -iname '*.wrl' -o -iname '*.x' -o -iname '*.wrz' -o -iname '*.wrl.gz' \) -print0
  fi
}

# Export every scene; keep the held triangle count beside each file.
checked=0; skipped=0; bad=0
declare -a source held glbs
while IFS= read -r -d '' f; do
  glb="$OUT/$((checked + skipped)).glb"
  line="$(timeout 120 "$QV" --export "$glb" "$f" 2>/dev/null)"
  if [ ! -f "$glb" ]; then
    skipped=$((skipped + 1))   # a file the program refuses (or points alone) has nothing to export
    [ "$QUICK" = 1 ] && echo "not exported: $f"
    continue
  fi
  source[$checked]=$f
  held[$checked]="$(sed -n 's/.* objects, \([0-9]*\) triangles$/\1/p' <<<"$line")"
  glbs[$checked]=$glb
  checked=$((checked + 1))
done < <(scenes | sort -z)
[ "$checked" -gt 0 ] || fail "nothing was exported"

# One validator run for all the files (node starts once).
node scripts/gltf_validate.js "${glbs[@]}" > "$OUT/report.txt"
for ((i = 0; i < checked; i++)); do
  glb=${glbs[$i]} f=${source[$i]}
  if ! grep -q "^$glb errors 0 " "$OUT/report.txt"; then
    echo "INVALID $f"
    awk -v g="$glb" '$1 == g { on = 1; print; next } /^[^ ]/ { on = 0 } on' "$OUT/report.txt"
    bad=$((bad + 1))
    continue
  fi
  if [ "${held[$i]:-0}" -gt 0 ]; then
    got="$(assimp info "$glb" -r 2>/dev/null | sed -n 's/^Faces: *\([0-9]*\)$/\1/p')"
    if [ "$got" != "${held[$i]}" ]; then
      echo "COUNT $f: held ${held[$i]}, read back ${got:-nothing}"; bad=$((bad + 1))
    fi
  fi
done
echo "exported and validated: $checked, not exported: $skipped, failed: $bad"
[ "$bad" -eq 0 ]
