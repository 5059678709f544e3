#!/usr/bin/env bash
# Checks the Debian package that `make package` writes, as it installs rather than as
# the build folder holds it. Usage: scripts/check-package.sh BUILD_DIR
# It unpacks BUILD_DIR/tambrix_VERSION_ARCH.deb into a scratch root (dpkg-deb -x), checks
# the control fields and that the package holds exactly the expected files, runs the
# installed tambrix-cli (--version, demo, info, ls) and tambrix --version from there,
# validates the desktop entry, the AppStream data, the file types and the manual pages,
# and runs lintian, which must report no error (its warnings are printed).
# Exit status: 0 good, 1 a check failed, 77 no package built (a skipped test).
set -uo pipefail
build=${1:?usage: $0 BUILD_DIR}
top=$(cd "$(dirname "$0")/.." && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null)
arch=$(dpkg --print-architecture)
deb=$build/tambrix_${version}_${arch}.deb
if [ -z "$version" ] || [ ! -f "$deb" ]; then
  echo "no package in $build (make package builds it): skipped"
  exit 77
fi
for tool in dpkg-deb desktop-file-validate appstreamcli update-mime-database lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing (scripts/install-deps.sh --package installs it)" >&2
    exit 1
  fi
done

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
echo "== $deb"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tambrix ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project states $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Section)" ] || fail "no Section"
[ -n "$(field Description)" ] || fail "no Description"
case $(field Maintainer) in *Tambrix*'<'*@*'>') ;; *) fail "Maintainer '$(field Maintainer)' does not name the project with an address" ;; esac
depends=$(field Depends)
for library in libc6 libqt6widgets6 libimagequant0 libsqlite3-0; do
  case $depends in *"$library"*) ;; *) fail "Depends lacks $library: $depends" ;; esac
done
dpkg-deb -f "$deb"

# The file list: exactly these files, nothing more, nothing less.
expected=(
  ./usr/bin/tambrix
  ./usr/bin/tambrix-cli
  ./usr/share/applications/tambrix.desktop
  ./usr/share/doc/tambrix/changelog.gz
  ./usr/share/doc/tambrix/copyright
  ./usr/share/man/man1/tambrix-cli.1.gz
  ./usr/share/man/man1/tambrix.1.gz
  ./usr/share/metainfo/tambrix.metainfo.xml
  ./usr/share/mime/packages/tambrix.xml
  ./usr/share/icons/hicolor/scalable/apps/tambrix.svg
)
for size in 16 22 24 32 48 64 128 256; do expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/tambrix.png"); done
echo "== files"
dpkg-deb -c "$deb" | tee "$scratch/contents"
awk '$1 !~ /^d/ {print $6}' "$scratch/contents" | sort >"$scratch/files"
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
diff -u --label expected --label package "$scratch/expected" "$scratch/files" || fail "the file list differs"
awk '$2 != "root/root" {print}' "$scratch/contents" | grep . && fail "files not owned by root"

# The installed programs, run from the scratch root.
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
cli=$root/usr/bin/tambrix-cli
echo "== $cli --version"
"$cli" --version | tee "$scratch/out" || fail "tambrix-cli --version exit status"
[ "$(head -1 "$scratch/out")" = "tambrix-cli $version" ] || fail "tambrix-cli --version does not say $version"
"$root/usr/bin/tambrix" --version >"$scratch/out" || fail "tambrix --version exit status"
[ "$(head -1 "$scratch/out")" = "tambrix $version" ] || fail "tambrix --version does not say $version"
echo "== $cli demo"
"$cli" demo "$scratch/demo" --draft >"$scratch/out" || fail "tambrix-cli demo"
wc -l <"$scratch/out"
object=$scratch/demo/GameData/Objects/ChairDining.iff
echo "== $cli info $object --no-write"
cp "$object" "$scratch/before.iff"
"$cli" info "$object" --no-write >"$scratch/out" || fail "tambrix-cli info"
head -12 "$scratch/out"
[ -s "$scratch/out" ] || fail "tambrix-cli info wrote nothing"
cmp -s "$object" "$scratch/before.iff" || fail "info --no-write changed the file"
"$cli" ls "$object" >/dev/null || fail "tambrix-cli ls"
"$cli" info "$scratch/demo/missing.iff" >/dev/null 2>&1 && fail "info on a missing file reported success"

# The desktop files.
echo "== desktop-file-validate, appstreamcli validate"
desktop-file-validate "$root/usr/share/applications/tambrix.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=tambrix %f' "$root/usr/share/applications/tambrix.desktop" || fail "Exec line"
# Warnings are printed, errors fail: the component id is the desktop file's name,
# "tambrix", not a reverse domain name, which appstreamcli warns about.
appstreamcli validate --no-net "$root/usr/share/metainfo/tambrix.metainfo.xml" | tee "$scratch/appstream"
grep -q '^E: ' "$scratch/appstream" && fail "appstreamcli validate reports errors"
grep -q 'Validation' "$scratch/appstream" || fail "appstreamcli validate said nothing"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/tambrix.metainfo.xml" || fail "metainfo release is not $version"
# (It notes on stderr that the scratch root is not where desktops look.)
update-mime-database "$root/usr/share/mime" 2>/dev/null || fail "update-mime-database"
for type in x-sims-iff x-sims-far; do
  [ -f "$root/usr/share/mime/application/$type.xml" ] || fail "update-mime-database made no application/$type"
done
for page in tambrix tambrix-cli; do
  gzip -t "$root/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz"
  warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l - 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# lintian: no error. Its warnings and notes are printed for the reader to judge.
echo "== lintian"
lintian --display-info "$deb" | tee "$scratch/lintian"
grep -q '^E: ' "$scratch/lintian" && fail "lintian reports errors"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package checks passed: $deb"
