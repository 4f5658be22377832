#!/usr/bin/env bash
# Builds what goes to the Windows PCs into build/dist/ (or --out DIR):
#   ZUL_PC_TOOL-<version>-x64.msi   the installer (packaging/windows/)
#   ZUL_PC_TOOL-<version>-x64.zip   the portable copy: both programs, the README
#                                   and the licence texts of the libraries linked in
#   SHA256SUMS
# from the mingw64 preset's build, the programs stripped of their debug data.
# Both packages hold licenses\ as the build's licences.tsv lists it
# (cmake/Licences.cmake: the texts of what the programs link).
#
# Signing: with ZUL_SIGN_PKCS12 naming a PKCS#12 file (certificate and key) and
# ZUL_SIGN_PASSWORD holding its password, both programs and the installer are
# signed with osslsigncode. Without ZUL_SIGN_PKCS12 they stay unsigned, and the
# script says so. ZUL_SIGN_TIMESTAMP_URL names an RFC 3161 time-stamping
# server: its timestamp keeps the signatures valid after the certificate
# expires. Without it the files are signed all the same, and the script warns.
# The password leaves the environment before anything is run and goes to
# osslsigncode alone, through a pipe it reads as its password file: it is never
# printed, written to a file or put on a command line.
set -euo pipefail
sign_password=${ZUL_SIGN_PASSWORD-}
unset ZUL_SIGN_PASSWORD
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/dist
if [[ $# == 2 && $1 == --out ]]; then
  out=$(realpath -m "$2")
elif (($#)); then
  echo "usage: scripts/dist.sh [--out DIR]" >&2
  exit 1
fi

cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target ZUL_PC_TOOL zulctl
build=$root/build/mingw64
# shellcheck source=/dev/null
source "$build/dist.env"
export ZUL_PRODUCT_NAME ZUL_MANUFACTURER ZUL_VERSION
name=$ZUL_PRODUCT_NAME-$ZUL_VERSION-x64

# The licence texts of what the programs carry in them, one "name<TAB>text
# file" line each, as the build found them.
licences=$build/licences.tsv
[[ -s $licences ]] || { echo "dist: $licences is missing: configure the mingw64 preset" >&2; exit 1; }

crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }  # texts read in Notepad

# Only what an earlier run made goes: --out may name a folder with more in it.
rm -rf "$out/stage" "$out/portable" "$out/SHA256SUMS" "$out/$ZUL_PRODUCT_NAME"-*-x64.msi \
  "$out/$ZUL_PRODUCT_NAME"-*-x64.zip
stage=$out/stage
mkdir -p "$stage/licenses"
for exe in "$build/app/ZUL_PC_TOOL.exe" "$build/cli/zulctl.exe"; do
  x86_64-w64-mingw32-strip --strip-all -o "$stage/${exe##*/}" "$exe"
done
crlf README.md "$stage/README.txt"
cp res/camera.ico "$stage/"
while IFS=$'\t' read -r licence text; do
  [[ -s $text ]] || { echo "dist: the licence text $text is missing or empty" >&2; exit 1; }
  crlf "$text" "$stage/licenses/$licence"
done <"$licences"

timestamp=()
if [[ -n ${ZUL_SIGN_TIMESTAMP_URL:-} ]]; then
  timestamp=(-ts "$ZUL_SIGN_TIMESTAMP_URL")
fi
sign() {  # file...: signs each in place
  local file log
  for file in "$@"; do
    log=$(mktemp)
    # printf is the shell's own: the password is on no command line.
    if ! osslsigncode sign -pkcs12 "$ZUL_SIGN_PKCS12" -readpass <(printf '%s' "$sign_password") \
      "${timestamp[@]}" -h sha256 -n "$ZUL_PRODUCT_NAME" -in "$file" -out "$file.signed" \
      >"$log" 2>&1; then
      cat "$log" >&2
      rm -f "$log" "$file.signed"
      echo "dist: signing ${file##*/} failed" >&2
      exit 1
    fi
    rm -f "$log"
    mv "$file.signed" "$file"
    echo "signed: ${file##*/}${timestamp:+ (timestamped by ${timestamp[1]})}"
  done
}
signing=false
if [[ -n "${ZUL_SIGN_PKCS12:-}" ]]; then
  [[ -r $ZUL_SIGN_PKCS12 ]] || {
    echo "dist: ZUL_SIGN_PKCS12 names no readable file: $ZUL_SIGN_PKCS12" >&2
    exit 1
  }
  signing=true
  if ((${#timestamp[@]} == 0)); then
    echo "dist: WARNING: ZUL_SIGN_TIMESTAMP_URL is not set: the signatures carry no timestamp" \
      "and stop validating when the certificate expires." >&2
  fi
  sign "$stage/ZUL_PC_TOOL.exe" "$stage/zulctl.exe"
else
  echo "ZUL_SIGN_PKCS12 is not set: the programs and the installer are NOT signed."
fi

packaging/windows/make-msi.sh "$stage" "$out/$name.msi"
if $signing; then sign "$out/$name.msi"; fi
unset sign_password

portable=$out/portable/$name
mkdir -p "$portable"
cp -r "$stage/ZUL_PC_TOOL.exe" "$stage/zulctl.exe" "$stage/README.txt" "$stage/licenses" \
  "$portable/"
(cd "$out/portable" && zip -q -X -r "$out/$name.zip" "$name")

(cd "$out" && sha256sum "$name.msi" "$name.zip" >SHA256SUMS)
echo "dist: $out/$name.msi"
echo "dist: $out/$name.zip"
