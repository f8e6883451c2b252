#!/bin/bash
# Writes the reference table of bench/reference_triangles.py from the peer
# reader's counts: reference_table.sh CORPUS_DIR FILE_LIST > TABLE.tsv
# FILE_LIST: the files (relative to CORPUS_DIR), one a line; lines starting
# with # and further columns are ignored. Needs build/bench/coin_triangles.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
corpus=$(cd "$1" && pwd)
bin=${COIN_TRIANGLES:-$here/../../build/bench/coin_triangles}
printf '# file under the corpus\treference triangles (Coin3D, SoCallbackAction triangle count, WWWInline fetched; ERR = refused, or inlines a refused file)\treference text triangles (of those, Text / AsciiText glyphs)\n'
grep -v '^#' "$2" | cut -f1 | while read -r f; do
    [ -n "$f" ] || continue
    r=$(cd /tmp && FONTCONFIG_FILE="$here/fonts-dejavu-only.conf" timeout 120 "$bin" "$corpus/$f" 2>/dev/null | tail -1) || true
    case "$r" in
        *$'\t'*) printf '%s\t%s\n' "$f" "$r" ;;
        *) printf '%s\tERR\t\n' "$f" ;;
    esac
done
