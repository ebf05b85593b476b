#!/usr/bin/env bash
# Packs the Windows programs of a cross build (tools/test-windows.sh) into a
# zip a user unpacks anywhere and runs from: tolvane.exe, tolvane-sim.exe and
# tolvanectl.exe, the Qt DLLs and plugins they load, and the compiler's
# runtime DLLs from Debian's mingw-w64 packages. The DLLs are found by
# following the programs' imports; a DLL found in none of the folders below is
# the system's own. Everything is stripped of its symbols. Prints the zip's path.
#
#   tools/windows-dist.sh BUILD_DIR QT_DIR
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: tools/windows-dist.sh BUILD_DIR QT_DIR}
qt=${2:?usage: tools/windows-dist.sh BUILD_DIR QT_DIR}
triplet=x86_64-w64-mingw32
# Where the DLLs the programs need come from, searched in this order.
dll_folders=("$qt/bin" "/usr/lib/gcc/$triplet/12-posix" "/usr/$triplet/lib")
# The platform plugin, and the native look of the widgets.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=tolvane-$version-windows-x64
stage=$build/dist/$name
rm -rf "$build/dist"
mkdir -p "$stage"

# The file of a DLL the programs import, or nothing for a system DLL.
find_dll() {
  local folder
  for folder in "${dll_folders[@]}"; do
    if [ -f "$folder/$1" ]; then
      echo "$folder/$1"
      return
    fi
  done
}

# Copies the DLLs a program or DLL imports, and theirs, into the stage.
copy_imports() {
  local dll file
  for dll in $($triplet-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
    [ -e "$stage/$dll" ] && continue
    file=$(find_dll "$dll")
    [ -n "$file" ] || continue
    $triplet-strip --strip-unneeded -o "$stage/$dll" "$file"
    copy_imports "$file"
  done
}

for program in app/tolvane.exe app/tolvane-sim.exe cli/tolvanectl.exe; do
  $triplet-strip -o "$stage/$(basename "$program")" "$build/$program"
  copy_imports "$build/$program"
done
for plugin in "${plugins[@]}"; do
  mkdir -p "$stage/$(dirname "$plugin")"
  $triplet-strip --strip-unneeded -o "$stage/$plugin" "$qt/plugins/$plugin"
  copy_imports "$qt/plugins/$plugin"
done

zip_file=$build/$name.zip
rm -f "$zip_file"
(cd "$build/dist" && zip -qr9 "../$name.zip" "$name")
echo "$zip_file"
