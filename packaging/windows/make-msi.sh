#!/usr/bin/env bash
# Builds the installer from the staged files with wixl, then adds what wixl
# 0.101 cannot express (see ZUL_PC_TOOL.wxs) with msibuild.
#
#   ZUL_PRODUCT_NAME=... ZUL_MANUFACTURER=... ZUL_VERSION=... make-msi.sh STAGE OUT.msi
#
# STAGE holds ZUL_PC_TOOL.exe, zulctl.exe, README.txt, camera.ico and licenses/
# (each text there goes into the installer).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stage=$1
out=$(realpath -m "$2")
: "${ZUL_PRODUCT_NAME:?}" "${ZUL_MANUFACTURER:?}" "${ZUL_VERSION:?}"

rm -f "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The licence texts: whatever dist.sh staged (the build's list), the first the
# component's key.
licences=("$stage"/licenses/*)
[[ -f ${licences[0]} ]] || { echo "make-msi: no licence texts in $stage/licenses" >&2; exit 1; }
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo '<Include>'
  key=' KeyPath="yes"'
  n=0
  for licence in "${licences[@]}"; do
    licence=${licence##*/}
    [[ $licence =~ ^[A-Za-z0-9._-]+$ ]] || { echo "make-msi: licence file name $licence" >&2; exit 1; }
    n=$((n + 1))
    echo "  <File Id=\"Licence$n\" Name=\"$licence\" Source=\"licenses/$licence\"$key/>"
    key=
  done
  echo '</Include>'
} >"$work/licences.wxi"

# wixl finds the sources relative to the folder it runs in.
(cd "$stage" && wixl --arch x64 -I "$work" -D ProductName="$ZUL_PRODUCT_NAME" \
  -D Manufacturer="$ZUL_MANUFACTURER" -D Version="$ZUL_VERSION" \
  -o "$out" "$here/ZUL_PC_TOOL.wxs")

sql() { msibuild "$out" -q "$1"; }
upgrade_code=$(msiinfo export "$out" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')
[[ $upgrade_code =~ ^\{[0-9A-F-]{36}\}$ ]] || { echo "make-msi: no upgrade code in $out" >&2; exit 1; }

# Windows Installer compares the first three version fields only, so 1.0.0.2
# would not replace 1.0.0.1 and both would stay: the upgrade row takes in its
# own version too (attributes 513: migrate features, maximum included).
sql "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
sql "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
     VALUES ('$upgrade_code', '$ZUL_VERSION', 513, 'WIX_UPGRADE_DETECTED')"

# The install folder at the end of the system PATH: "=" set on install, "-"
# taken out again on removal, "*" the machine's variable, "[~];" after the
# value already there.
sql "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL,
     \`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE,
     \`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)"
sql "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`)
     VALUES ('ZulctlPath', '=-*PATH', '[~];[INSTALLDIR]', 'PathEntry')"
