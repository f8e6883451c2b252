#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a user
# would meet it: its contents, the program run from the unpacked package
# (window module and data found beside it), a thumbnail made by it, and
# the desktop files' validators when they are installed (lintian is slow
# and is run only when asked: --lintian).
#   bash scripts/check-package.sh [BUILD_DIR] [--lintian]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=build
LINTIAN=0
for a in "$@"; do
  case "$a" in
    --lintian) LINTIAN=1 ;;
    *) BUILD=$a ;;
  esac
done
fail() { echo "check-package.sh: $*" >&2; exit 1; }

rm -f "$BUILD"/quorvel_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null) || fail "cpack failed"
deb=$(ls "$BUILD"/quorvel_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no quorvel_<version>_<arch>.deb in $BUILD"
echo "package: $deb ($(stat -c %s "$deb") bytes)"
echo "depends: $(dpkg-deb -f "$deb" Depends)"
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "no dependencies computed"

listing=$(dpkg-deb -c "$deb")
for f in ./usr/bin/quorvel ./usr/lib/*/quorvel/libquorvel-gui.so ./usr/share/thumbnailers/quorvel.thumbnailer \
         ./usr/share/man/man1/quorvel.1.gz ./usr/share/metainfo/org.quorvel.quorvel.metainfo.xml \
         ./usr/share/applications/quorvel.desktop ./usr/share/mime/packages/quorvel.xml \
         ./usr/share/icons/hicolor/scalable/apps/quorvel.svg ./usr/share/doc/quorvel/copyright; do
  grep -q " $f\$" <<<"$listing" || grep -qx ".* ${f//\*/[^/]*}" <<<"$listing" || fail "$f is not in the package"
done
grep -q " ./usr/share/quorvel/" <<<"$listing" || fail "the data files are not in the package"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/quorvel" --version | grep -q "quorvel version" || fail "the unpacked program does not run"
"$root/usr/bin/quorvel" --thumbnail samples/house.wrl "$root/t.png" 64 || fail "the unpacked program makes no thumbnail"
zcat "$root/usr/share/man/man1/quorvel.1.gz" | grep -q "thumbnail" || fail "the manual page is empty"
# The window module loads: given a window system plug-in that does not
# exist, the program gets as far as Qt (a missing module fails before).
out=$(QT_QPA_PLATFORM=no-such-platform timeout 30 "$root/usr/bin/quorvel" 2>&1 || true)
grep -q "no-such-platform" <<<"$out" || fail "the unpacked window module did not start: $out"
grep -q "cannot load the viewer window" <<<"$out" && fail "the window module does not load: $out"

if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.quorvel.quorvel.metainfo.xml" >/dev/null \
    || fail "the metainfo file does not validate"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/quorvel.desktop" || fail "the desktop entry does not validate"
fi
if [ "$LINTIAN" = 1 ]; then
  lintian --no-tag-display-limit "$deb" || fail "lintian reports errors"
fi
echo "check-package.sh: $deb is complete"
