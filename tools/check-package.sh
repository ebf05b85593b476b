#!/usr/bin/env bash
# Checks a Debian package of Tolvane: the files it must hold, its computed
# dependencies, lintian, the shared libraries of its unpacked binaries, its
# desktop entry and its AppStream description. Usage: tools/check-package.sh build-release/tolvane_*.deb
set -euo pipefail

deb=${1:?usage: $0 PACKAGE.deb}
programs=(tolvane tolvane-sim tolvanectl)  # each with its manual page
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

echo "== Files"
listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
echo "$listing"
expected=(
  /usr/lib/udev/rules.d/70-tolvane.rules
  /usr/share/bash-completion/completions/tolvanectl
  /usr/share/ansible/plugins/modules/tolvane_sensor.py
  /usr/lib/systemd/system/tolvane-policy@.service
  /usr/lib/tolvane/apply-policy
  /usr/share/ansible/plugins/action/tolvane_sensor.py
  /usr/share/applications/tolvane.desktop
  /usr/share/metainfo/org.example.Tolvane.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/tolvane.svg
  /usr/share/icons/hicolor/48x48/apps/tolvane.png
  /usr/share/icons/hicolor/64x64/apps/tolvane.png
  /usr/share/icons/hicolor/128x128/apps/tolvane.png
  /usr/share/doc/tolvane/copyright
  /usr/share/doc/tolvane/changelog.gz
)
for program in "${programs[@]}"; do
  expected+=("/usr/bin/$program" "/usr/share/man/man1/$program.1.gz")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$listing" || fail "the package lacks $path"
done

echo "== Dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libudev1; do
  grep -qw "$library" <<<"$depends" || fail "Depends does not name $library"
done

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"

echo "== Shared libraries of the unpacked binaries"
while IFS= read -r -d '' file; do
  cmp -s -n 4 "$file" <(printf '\177ELF') || continue
  name=${file#"$scratch"}
  if ! libraries=$(ldd "$file"); then
    fail "ldd cannot read $name"
  elif grep 'not found' <<<"$libraries"; then
    fail "$name misses shared libraries"
  else
    echo "$name: $(grep -c '=>' <<<"$libraries") libraries, all found"
  fi
done < <(find "$scratch" -type f -print0)

echo "== Desktop entry"
desktop-file-validate "$scratch/usr/share/applications/tolvane.desktop" || fail "the desktop entry is not valid"

echo "== AppStream description"
for metainfo in "$scratch"/usr/share/metainfo/*.metainfo.xml; do
  appstreamcli validate --no-net "$metainfo" || fail "${metainfo#"$scratch"} is not valid AppStream"
  grep -q '<launchable type="desktop-id">tolvane.desktop</launchable>' "$metainfo" ||
    fail "${metainfo#"$scratch"} does not launch tolvane.desktop"
done

if ((failures)); then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "Package checks passed: $deb"
