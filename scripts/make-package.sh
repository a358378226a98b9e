#!/usr/bin/env bash
# Builds the Windows Installer package from the built modules: lays the installed tree out in a staging folder,
# lists its data folders as installer components and compiles installer/Veltrane.wxs with wixl.
# Usage: make-package.sh OUTPUT.msi VERSION STAGE_DIR CAMERA64 CAMERA32 ZELMORA UNINSTALLER
#   CAMERA64, CAMERA32: the two builds of Veltrane.ax; ZELMORA, UNINSTALLER: the two programs. The data folders
#   come from data/ of this tree: each camera gets Data\ and Borders\ beside it.
# With a code-signing certificate (VELTRANE_SIGN_PFX, its PFX file; VELTRANE_SIGN_PASSWORD, its password;
# VELTRANE_SIGN_TIMESTAMP_URL, a timestamp server, optional) the two cameras, the two programs and the package get
# Authenticode signatures (SHA-256, osslsigncode); without one nothing is signed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -eq 7 ] || { echo "usage: $0 OUTPUT.msi VERSION STAGE_DIR CAMERA64 CAMERA32 ZELMORA UNINSTALLER" >&2; exit 2; }
output=$1 version=$2 stage=$3 camera64=$4 camera32=$5 zelmora=$6 uninstaller=$7

rm -rf "$stage"
mkdir -p "$stage/files/x86"
for folder in "$stage/files" "$stage/files/x86"; do
  cp -R "$here/data/Data" "$here/data/Borders" "$folder/"
done
cp "$camera64" "$stage/files/Veltrane.ax"
cp "$camera32" "$stage/files/x86/Veltrane.ax"
cp "$zelmora" "$stage/files/Zelmora.exe"
cp "$uninstaller" "$stage/files/uninstaller.exe"

# Signs files in place. The password goes to osslsigncode in a file only this user can read, not on its command line.
sign() {
  [ -n "${VELTRANE_SIGN_PFX:-}" ] || return 0
  local password file
  password=$(umask 077 && mktemp "$stage/sign.XXXXXX")
  printf '%s' "${VELTRANE_SIGN_PASSWORD:-}" > "$password"
  for file; do
    osslsigncode sign -pkcs12 "$VELTRANE_SIGN_PFX" -readpass "$password" -h sha256 -n Veltrane \
      ${VELTRANE_SIGN_TIMESTAMP_URL:+-ts "$VELTRANE_SIGN_TIMESTAMP_URL"} -in "$file" -out "$file.signed" >/dev/null ||
      { rm -f "$password" "$file.signed"; echo "make-package.sh: signing $file failed" >&2; return 1; }
    mv -f "$file.signed" "$file"
  done
  rm -f "$password"
}
sign "$stage/files/Veltrane.ax" "$stage/files/x86/Veltrane.ax" "$stage/files/Zelmora.exe" \
  "$stage/files/uninstaller.exe"

# Every file of the data folders becomes a component of its own. wixl-heat names them by their path below the
# folder listed, so the 32-bit camera's copies get a prefix to keep their names apart.
list_data() { (cd "$stage/files/$1" && find Data Borders -type f | LC_ALL=C sort); }
list_data . | (cd "$stage/files" && wixl-heat --prefix "" --var var.StageDir --directory-ref INSTALLFOLDER \
  --component-group DataFiles --win64) > "$stage/data.wxs"
list_data x86 | (cd "$stage/files/x86" && wixl-heat --prefix "" --var var.StageDir32 --directory-ref CAMERA32FOLDER \
  --component-group DataFiles32) | sed -E 's/Id="(cmp|dir|fil)/Id="x86\1/' > "$stage/data32.wxs"

cp "$here/installer/Veltrane.wxs" "$here/filter/Veltrane.ico" "$stage/"

# wixl skips elements it does not know with a warning; the warnings are made fatal so that nothing of the source
# is lost without notice. It wants the sources' paths relative, hence the run from the staging folder.
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
(cd "$stage" && G_DEBUG=fatal-warnings wixl --arch x64 \
  -D Version="$version" -D Win64=yes -D StageDir=files -D StageDir32=files/x86 -D IconFile=Veltrane.ico \
  -o "$output" Veltrane.wxs data.wxs data32.wxs)

# wixl writes a rollback action (Execute="rollback") as an immediate one, which would run at its place in the
# sequence instead of on a rollback. Its type is set here: an exe named by a property (50), in script (1024) as a
# rollback (256), with its return ignored (64) and not impersonated (2048) as the source says.
tr '\n' ' ' < "$here/installer/Veltrane.wxs" | grep -o '<CustomAction [^>]*>' | grep 'Execute="rollback"' |
  while read -r element; do
    id=$(sed -E 's/.*Id="([^"]*)".*/\1/' <<<"$element")
    grep -q 'Property="' <<<"$element" && grep -q 'ExeCommand="' <<<"$element" ||
      { echo "make-package.sh: rollback action $id is not an exe named by a property" >&2; exit 1; }
    type=$((50 + 1024 + 256))
    grep -q 'Return="ignore"' <<<"$element" && type=$((type + 64))
    grep -q 'Impersonate="no"' <<<"$element" && type=$((type + 2048))
    msibuild "$output" -q "UPDATE \`CustomAction\` SET \`Type\` = $type WHERE \`Action\` = '$id'"
  done

# Last: any later change to the package would break its signature.
sign "$output"
