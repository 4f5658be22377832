#!/usr/bin/env bash
# The Windows deployment end to end, from the mingw64 build: scripts/dist.sh
# without and with a throw-away signing certificate, what the installer and the
# zip hold, and the installer under Wine (in a prefix of its own, on a virtual
# display of its own): a silent install with the PATH feature, both programs
# run from where it put them, an upgrade in place, a silent uninstall that
# leaves nothing behind.
#
# One line per check, "deploy: ok NAME" or "deploy: FAILED NAME", and last
# "deploy: N passed, M failed". Work files and the screenshot go to
# build/deploy-test/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/build/deploy-test
rm -rf "$work"
mkdir -p "$work/shots"

check_prefix=deploy
# shellcheck source=scripts/checks.sh
source "$root/scripts/checks.sh"
say() { echo "  $*"; return 1; }  # why a check failed
same() {                          # got want what
  [[ $1 == "$2" ]] || say "$3: got '$1', want '$2'"
}
contains() {  # file text
  grep -qF -- "$2" "$1" || say "${1##*/} does not mention '$2'"
}

# --- The builds ----------------------------------------------------------
source "$root/build/mingw64/dist.env"
export ZUL_PRODUCT_NAME ZUL_MANUFACTURER  # for make-msi.sh below
version=$ZUL_VERSION
name=$ZUL_PRODUCT_NAME-$version-x64

unsigned=$work/unsigned
env -u ZUL_SIGN_PKCS12 -u ZUL_SIGN_PASSWORD "$root/scripts/dist.sh" --out "$unsigned" \
  >"$work/unsigned.log" 2>&1
unsigned_rc=$?

# The licence texts both packages must hold, as the build derived them from
# what the programs link: "name<TAB>text file" lines.
mapfile -t licences < <(cut -f1 "$root/build/mingw64/licences.tsv")
licence_text() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' "$root/build/mingw64/licences.tsv"; }
shipped=(ZUL_PC_TOOL.exe zulctl.exe README.txt "${licences[@]/#/licenses/}")

unsigned_build() {
  ((unsigned_rc == 0)) || { tail -n 20 "$work/unsigned.log"; say "dist.sh exit $unsigned_rc"; } || return 1
  contains "$work/unsigned.log" "NOT signed" || return 1
  local f
  for f in "$unsigned/stage/ZUL_PC_TOOL.exe" "$unsigned/stage/zulctl.exe" "$unsigned/$name.msi"; do
    if osslsigncode verify -in "$f" >"$work/verify.log" 2>&1; then
      say "${f##*/} carries a signature"
      return 1
    fi
    grep -qiE "no signature" "$work/verify.log" || say "verify: $(cat "$work/verify.log")" || return 1
  done
}
check "without a certificate the build stays unsigned and says so" unsigned_build

# A throw-away certificate authority and code-signing certificate; the PKCS#12
# password travels in the environment only.
pki=$work/pki
mkdir -p "$pki"
ZUL_TEST_PASSWORD=$(openssl rand -hex 12)
export ZUL_TEST_PASSWORD
make_certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$pki/ca.key" -out "$pki/ca.pem" -days 2 \
    -subj "/CN=ZUL throw-away test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" &&
    openssl req -newkey rsa:2048 -nodes -keyout "$pki/signer.key" -out "$pki/signer.csr" \
      -subj "/CN=ZUL throw-away test signer" &&
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
      >"$pki/signer.ext" &&
    openssl x509 -req -in "$pki/signer.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" \
      -CAcreateserial -days 2 -extfile "$pki/signer.ext" -out "$pki/signer.pem" &&
    openssl pkcs12 -export -inkey "$pki/signer.key" -in "$pki/signer.pem" -certfile "$pki/ca.pem" \
      -passout env:ZUL_TEST_PASSWORD -out "$pki/signer.p12"
} >"$work/pki.log" 2>&1
make_certificate || { cat "$work/pki.log"; echo "deploy: the test certificate could not be made"; }

signed=$work/signed
ZUL_SIGN_PKCS12=$pki/signer.p12 ZUL_SIGN_PASSWORD=$ZUL_TEST_PASSWORD \
  "$root/scripts/dist.sh" --out "$signed" >"$work/signed.log" 2>&1
signed_rc=$?
ZUL_SIGN_PKCS12=$pki/signer.p12 ZUL_SIGN_PASSWORD=not-$ZUL_TEST_PASSWORD \
  "$root/scripts/dist.sh" --out "$work/wrong-password" >"$work/wrong-password.log" 2>&1
wrong_rc=$?

mkdir -p "$work/zip" && unzip -q -o "$signed/$name.zip" -d "$work/zip"
signed_build() {
  ((signed_rc == 0)) || { tail -n 20 "$work/signed.log"; say "dist.sh exit $signed_rc"; } || return 1
  if grep -q "NOT signed" "$work/signed.log"; then
    say "the signed build says it is unsigned"
    return 1
  fi
  contains "$work/signed.log" "ZUL_SIGN_TIMESTAMP_URL is not set" || return 1
  local f
  for f in "$signed/stage/ZUL_PC_TOOL.exe" "$signed/stage/zulctl.exe" "$signed/$name.msi" \
    "$work/zip/$name/ZUL_PC_TOOL.exe" "$work/zip/$name/zulctl.exe"; do
    osslsigncode verify -CAfile "$pki/ca.pem" -in "$f" >"$work/verify.log" 2>&1 ||
      { cat "$work/verify.log"; say "${f##*/} does not verify"; } || return 1
    contains "$work/verify.log" "Signature verification: ok" || return 1
    contains "$work/verify.log" "ZUL throw-away test signer" || return 1
  done
}
check "with a certificate both programs and the MSI are signed and verify" signed_build

refused_signing() {
  ((wrong_rc != 0)) || say "dist.sh went on with a wrong password" || return 1
  contains "$work/wrong-password.log" "signing ZUL_PC_TOOL.exe failed" || return 1
  [[ ! -e $work/wrong-password/$name.msi ]] || say "an installer was made all the same"
}
check "a wrong signing password stops the build" refused_signing

# The signing step once more, asked to timestamp at a listener on loopback that
# records the request and answers with an error (no server is reachable here),
# and with cmake and osslsigncode run through a spy that records its
# arguments, every command line on the machine while it runs, and a hash of
# each value in its environment.
spy=$work/spy
mkdir -p "$spy/bin"
cat >"$spy/bin/spy" <<'SPY'
#!/usr/bin/env bash
me=${0##*/}
{
  printf "$me arg: %s\n" "$@"
  for f in /proc/[0-9]*/cmdline; do
    printf '%s cmdline: %s\n' "$me" "$({ tr '\0' ' ' <"$f"; } 2>/dev/null)"
  done
  while IFS= read -r -d '' v; do
    printf '%s env: %s %s\n' "$me" "${v%%=*}" "$(printf '%s' "${v#*=}" | sha256sum | cut -c1-64)"
  done < <(env -0)
} >>"$SPY_LOG"
PATH=${PATH#"${0%/*}":}
exec "$me" "$@"
SPY
chmod +x "$spy/bin/spy"
ln -sf spy "$spy/bin/cmake"
ln -sf spy "$spy/bin/osslsigncode"
cat >"$spy/listener.py" <<'LISTENER'
import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
print(server.getsockname()[1], flush=True)
server.settimeout(600)
conn, _ = server.accept()
conn.settimeout(10)
request = b""
while b"\r\n\r\n" not in request:
    chunk = conn.recv(4096)
    if not chunk:
        break
    request += chunk
open(sys.argv[1], "wb").write(request.split(b"\r\n\r\n")[0])
conn.sendall(b"HTTP/1.0 503 No timestamps here\r\nContent-Length: 0\r\n\r\n")
conn.close()
LISTENER
python3 "$spy/listener.py" "$spy/request.txt" >"$spy/port" 2>"$spy/listener.log" &
listener=$!
for _ in $(seq 50); do [[ -s $spy/port ]] && break; sleep 0.1; done
timestamp_url=http://127.0.0.1:$(cat "$spy/port")/tsa
env -u ZUL_TEST_PASSWORD PATH="$spy/bin:$PATH" SPY_LOG="$spy/record.txt" \
  ZUL_SIGN_PKCS12="$pki/signer.p12" ZUL_SIGN_PASSWORD="$ZUL_TEST_PASSWORD" \
  ZUL_SIGN_TIMESTAMP_URL="$timestamp_url" "$root/scripts/dist.sh" --out "$work/timestamped" \
  >"$work/timestamped.log" 2>&1
timestamped_rc=$?
kill "$listener" 2>/dev/null
wait "$listener" 2>/dev/null

timestamp_asked() {
  grep -qzF -- $'osslsigncode arg: -ts\nosslsigncode arg: '"$timestamp_url"$'\n' "$spy/record.txt" ||
    say "osslsigncode was not given -ts $timestamp_url" || return 1
  # -ts is RFC 3161: a timestamp query posted to the URL.
  [[ -s $spy/request.txt ]] || say "nothing asked the listener for a timestamp" || return 1
  contains "$spy/request.txt" "POST /tsa " || return 1
  contains "$spy/request.txt" "application/timestamp-query" || return 1
  # Asked for a timestamp and got none: no package.
  ((timestamped_rc != 0)) || say "dist.sh went on without the timestamp it was asked for" || return 1
  contains "$work/timestamped.log" "signing ZUL_PC_TOOL.exe failed" || return 1
  [[ ! -e $work/timestamped/$name.msi ]] || say "an installer was made all the same"
}
check "ZUL_SIGN_TIMESTAMP_URL reaches osslsigncode as its time-stamping server" timestamp_asked

password_to_osslsigncode_alone() {
  local program hash leaks
  for program in cmake osslsigncode; do
    grep -q "^$program arg: " "$spy/record.txt" || say "$program did not run through the spy" ||
      return 1
  done
  leaks=$(grep -F -- "$ZUL_TEST_PASSWORD" "$spy/record.txt" | cut -d: -f1 | sort -u)
  [[ -z $leaks ]] || say "the password is on a command line ($leaks)" || return 1
  hash=$(printf '%s' "$ZUL_TEST_PASSWORD" | sha256sum | cut -c1-64)
  leaks=$(grep -E " env: [^ ]+ $hash\$" "$spy/record.txt" | cut -d' ' -f1,3 | sort -u)
  [[ -z $leaks ]] || say "the password is in the environment ($leaks)" || return 1
  ! grep -q " env: ZUL_SIGN_PASSWORD " "$spy/record.txt" || say "ZUL_SIGN_PASSWORD reaches the programs run"
}
check "the signing password is in no program's environment and on no command line" \
  password_to_osslsigncode_alone

password_kept() {
  ! grep -rqF -- "$ZUL_TEST_PASSWORD" "$work"/*.log "$signed" "$unsigned" ||
    say "the password shows in the logs or the output"
}
check "the signing password appears in no output" password_kept

# --- What the packages hold ---------------------------------------------
msi=$signed/$name.msi
msi_property() { msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
version_block() {  # exe key: one string of the program's version block
  x86_64-w64-mingw32-windres -i "$1" -O rc 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *VALUE \"$2\", \"\(.*\)\"$/\1/p" | head -n 1
}
version_fields() {  # exe: FILEVERSION as a.b.c.d
  x86_64-w64-mingw32-windres -i "$1" -O rc 2>/dev/null | tr -d '\r ' |
    sed -n 's/^FILEVERSION\([0-9,]*\)$/\1/p' | tr , .
}

one_version() {
  same "$(msi_property ProductVersion)" "$version" "MSI ProductVersion" || return 1
  same "$(msi_property ProductName)" "$ZUL_PRODUCT_NAME" "MSI ProductName" || return 1
  same "$(msi_property Manufacturer)" "$ZUL_MANUFACTURER" "MSI Manufacturer" || return 1
  local exe
  for exe in ZUL_PC_TOOL.exe zulctl.exe; do
    local f=$signed/stage/$exe
    same "$(version_fields "$f")" "$version" "$exe FILEVERSION" || return 1
    same "$(version_block "$f" FileVersion)" "$version" "$exe FileVersion" || return 1
    same "$(version_block "$f" ProductVersion)" "$version" "$exe ProductVersion" || return 1
    same "$(version_block "$f" ProductName)" "$ZUL_PRODUCT_NAME" "$exe ProductName" || return 1
    same "$(version_block "$f" CompanyName)" "$ZUL_MANUFACTURER" "$exe CompanyName" || return 1
    same "$(version_block "$f" OriginalFilename)" "$exe" "$exe OriginalFilename" || return 1
  done
}
check "the MSI and both version blocks carry the project's name, maker and version" one_version

# The programs import nothing but Windows' own DLLs: no runtime DLL that
# would have to ship (and bring its licence) beside them.
system_dlls_only() {
  local exe dlls
  for exe in ZUL_PC_TOOL.exe zulctl.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$signed/stage/$exe" | sed -n 's/^\s*DLL Name: //p')
    [[ -n $dlls ]] || say "$exe: no DLL imports read" || return 1
    ! grep -qiE '^lib|mingw|gcc|stdc|pthread' <<<"$dlls" ||
      say "$exe imports $(grep -iE '^lib|mingw|gcc|stdc|pthread' <<<"$dlls" | tr '\n' ' ')" || return 1
  done
}
check "both programs link their runtime in: they import system DLLs only" system_dlls_only

zip_contents() {
  local want got
  want=$(printf '%s\n' "$name/" "$name/licenses/" "${shipped[@]/#/$name/}" | sort)
  got=$(unzip -Z1 "$signed/$name.zip" | sort)
  same "$got" "$want" "zip listing" || return 1
  contains "$work/zip/$name/README.txt" "## For Windows users" || return 1
}
check "the zip holds both programs, the README and the licence texts" zip_contents

# Each text the build lists, in licenses\ as the build found it (with Windows
# line ends), in the zip and the MSI: fast-cpp-csv-parser's was missing.
licence_texts() {  # folder
  ((${#licences[@]})) || say "the build lists no licence texts" || return 1
  local licence text
  for licence in "${licences[@]}"; do
    text=$(licence_text "$licence")
    [[ -s $1/licenses/$licence ]] || say "${1##*/}: licenses/$licence is missing or empty" || return 1
    cmp -s <(sed 's/\r*$/\r/' "$text") "$1/licenses/$licence" ||
      say "${1##*/}: licenses/$licence is not $text" || return 1
  done
  same "$(find "$1/licenses" -type f -printf '%f\n' | sort)" \
    "$(printf '%s\n' "${licences[@]}" | sort)" "licenses/ of ${1##*/}"
}
mkdir -p "$work/msi" && (cd "$work/msi" && msiextract "$msi" >/dev/null)
licences_shipped() {
  licence_texts "$work/zip/$name" && licence_texts "$work/msi/$ZUL_PRODUCT_NAME"
}
check "the zip and the MSI hold the licence text of everything the programs link" licences_shipped

msi_matches_zip() {
  local base="$work/msi/$ZUL_PRODUCT_NAME" f
  for f in "${shipped[@]}"; do
    cmp -s "$base/$f" "$work/zip/$name/$f" || say "$f differs between the MSI and the zip" || return 1
  done
}
check "the MSI carries the very files of the zip" msi_matches_zip

# --- The installer under Wine -----------------------------------------------
export WINEPREFIX=$work/wineprefix
# No menu entries on the Linux desktop for the shortcut the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY  # a display of our own: nothing else's windows in the screenshot
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
trap stop_wine EXIT
start_wine

winpath() { local p=${1//\//\\}; echo "Z:$p"; }
drive_c=$WINEPREFIX/drive_c
installed="C:\\Program Files\\$ZUL_PRODUCT_NAME"
install_dir=$drive_c/Program\ Files/$ZUL_PRODUCT_NAME
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

machine_path() {
  wine reg query "$env_key" /v PATH 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *PATH *REG_[A-Z_]* *//p'
}
path_entries() { tr ';' '\n' <<<"$1" | sed '/^$/d'; }
# The installed products named ours: one "code version publisher" line each.
our_products() {
  local key
  wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r' | grep -o '{[0-9A-F-]*}$' |
    while read -r key; do
      local q
      q=$(wine reg query "$uninstall_key\\$key" 2>/dev/null | tr -d '\r')
      grep -q "DisplayName *REG_SZ *$ZUL_PRODUCT_NAME\$" <<<"$q" || continue
      echo "$key $(sed -n 's/^ *DisplayVersion *REG_SZ *//p' <<<"$q")" \
        "$(sed -n 's/^ *Publisher *REG_SZ *//p' <<<"$q")"
    done
}
shortcuts() { find "$drive_c" -name "$ZUL_PRODUCT_NAME.lnk"; }
run_wine() { wine "$@" 2>/dev/null </dev/null | tr -d '\r'; }  # output without Wine's noise

wineserver -w
find "$drive_c" | sort >"$work/files-before.txt"
path_before=$(machine_path)

wine msiexec /i "$(winpath "$msi")" /qn ADDLOCAL=ALL </dev/null >/dev/null 2>&1
install_rc=$?

installed_files() {
  same "$install_rc" 0 "msiexec /i exit code" || return 1
  local f
  for f in "${shipped[@]}"; do
    cmp -s "$install_dir/$f" "$signed/stage/$f" || say "$f not installed as built" || return 1
  done
  [[ ! -e "$drive_c/Program Files (x86)/$ZUL_PRODUCT_NAME" ]] || say "a copy in Program Files (x86)"
}
check "a silent install puts the programs, README and licences under Program Files" installed_files

shortcut_in_place() {
  local links
  mapfile -t links < <(shortcuts)
  same "${#links[@]}" 1 "shortcuts named $ZUL_PRODUCT_NAME.lnk" || return 1
  [[ ${links[0]} == */Start\ Menu/Programs/$ZUL_PRODUCT_NAME.lnk ]] ||
    say "the shortcut is not in a Start menu: ${links[0]}" || return 1
  grep -qaF "$installed\\ZUL_PC_TOOL.exe" "${links[0]}" || say "the shortcut points elsewhere"
}
check "the Start menu holds one shortcut to the installed window" shortcut_in_place

registered() {
  local products
  products=$(our_products)
  same "$(wc -l <<<"$products")" 1 "products named $ZUL_PRODUCT_NAME" || return 1
  same "${products#* }" "$version $ZUL_MANUFACTURER" "registered version and publisher"
}
check "Programs and Features lists the product once, with its version and maker" registered
first_product=$(our_products | cut -d' ' -f1)

installed_versions() {
  same "$(run_wine "$installed\\zulctl.exe" --version)" "zulctl $version" "zulctl --version" || return 1
  same "$(run_wine "$installed\\ZUL_PC_TOOL.exe" --version)" "$ZUL_PRODUCT_NAME $version" \
    "ZUL_PC_TOOL.exe --version"
}
check "--version of both installed programs is the MSI's version" installed_versions

# Starts the installed window program with args and no standard output (as
# from the Start menu), waits for an X window whose xwininfo line holds
# pattern, saves shots/SHOT.png, then closes the program as its close box
# would. Sets window_shown and window_rc (the program's exit code).
run_window() {  # pattern shot args...
  local pattern=$1 shot=$2 pid
  shift 2
  window_shown=false
  wine "$installed\\ZUL_PC_TOOL.exe" "$@" </dev/null >&- 2>>"$work/window.log" &
  pid=$!
  for _ in $(seq 120); do
    if xwininfo -root -tree 2>/dev/null | grep -qF -- "$pattern"; then
      window_shown=true
      break
    fi
    sleep 0.5
  done
  if $window_shown; then
    sleep 1  # let it finish painting
    import -window root "$work/shots/$shot.png"
  fi
  wine taskkill /im ZUL_PC_TOOL.exe >/dev/null 2>&1 </dev/null  # WM_CLOSE
  for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
  kill "$pid" 2>/dev/null
  wait "$pid"
  window_rc=$?
}

version_box() {
  run_window "\"$ZUL_PRODUCT_NAME\": (\"zul_pc_tool.exe\"" version-box --version
  $window_shown || say "no message box" || return 1
  same "$window_rc" 0 "exit code after closing the box"
}
check "with no standard output the window's --version shows a message box (shots/version-box.png)" \
  version_box

installed_zulctl() {
  local out rc
  out=$(wine "$installed\\zulctl.exe" --simulate status 2>&1 </dev/null | tr -d '\r')
  rc=${PIPESTATUS[0]}
  same "$rc" 0 "zulctl --simulate status exit code" || { echo "$out"; return 1; }
  grep -q '^Serial number:  A1234567$' <<<"$out" || { echo "$out"; say "no serial number in the status"; }
}
check "the installed zulctl.exe --simulate status reads the simulated camera" installed_zulctl

installed_window() {
  local title="   MARLOWEN RZC V1.6"
  run_window "\"$title\"" installed-window --simulate
  $window_shown || say "no window titled '$title'" || return 1
  same "$window_rc" 0 "exit code after closing the window" || return 1
  # A screenshot of a window, not of an empty display.
  local colours
  colours=$(identify -format '%k' "$work/shots/installed-window.png" 2>/dev/null)
  ((${colours:-0} > 8)) || say "the screenshot holds ${colours:-no} colours"
}
check "the installed ZUL_PC_TOOL.exe --simulate opens its window (shots/installed-window.png)" \
  installed_window

on_path() {  # count: the install folder's entries on the machine PATH
  local entries n
  entries=$(path_entries "$(machine_path)")
  n=$(grep -cixF -e "$installed" -e "$installed\\" <<<"$entries")
  same "$n" "$1" "install folder entries on the PATH" || return 1
  # The entries there before are all still there.
  local missing
  missing=$(comm -23 <(path_entries "$path_before" | sort) <(sort <<<"$entries"))
  [[ -z $missing ]] || say "PATH lost: $missing"
}
zulctl_from_new_shell() {
  same "$(cd "$work" && run_wine cmd /c zulctl --version)" "zulctl $1" "zulctl --version in a new shell"
}
path_feature() { on_path 1 && zulctl_from_new_shell "$version"; }
check "with the PATH feature zulctl runs from a new shell" path_feature

# --- Upgrade --------------------------------------------------------------
# The same files packaged as later versions. Windows Installer compares only the
# first three fields, so the fourth going up is the case to get right; then a
# third-field step, over which the fourth-field package is refused.
IFS=. read -r v1 v2 v3 v4 <<<"$version"
make_msi() {  # version: builds $work/<product>-<version>-x64.msi, says its path
  local file=$work/$ZUL_PRODUCT_NAME-$1-x64.msi
  ZUL_VERSION=$1 "$root/packaging/windows/make-msi.sh" "$signed/stage" "$file" \
    >>"$work/make-msi.log" 2>&1 || echo "make-msi.sh $1 failed" >>"$work/make-msi.log"
  echo "$file"
}
msi_install() { wine msiexec /i "$(winpath "$1")" /qn ADDLOCAL=ALL </dev/null >/dev/null 2>&1; }

one_product() {  # version: one product of ours, of this version; one copy of each file
  local products
  products=$(our_products)
  same "$(wc -l <<<"$products")" 1 "products named $ZUL_PRODUCT_NAME" || return 1
  same "${products#* }" "$1 $ZUL_MANUFACTURER" "registered version" || return 1
  same "$(find "$drive_c" -name ZUL_PC_TOOL.exe | wc -l)" 1 "copies of ZUL_PC_TOOL.exe" || return 1
  same "$(find "$drive_c" -name zulctl.exe | wc -l)" 1 "copies of zulctl.exe" || return 1
  same "$(shortcuts | wc -l)" 1 "shortcuts" || return 1
  # Only the registry here: Wine's uninstall leaves the separator before the
  # entry it takes out ("...;;C:\Program Files\..." after an upgrade), and
  # Wine's cmd stops searching the PATH at an empty entry.
  on_path 1
}

next=$v1.$v2.$v3.$((v4 + 1))
next_msi=$(make_msi "$next")
msi_install "$next_msi"
next_rc=$?
upgraded() {
  same "$next_rc" 0 "msiexec /i $next exit code" || { cat "$work/make-msi.log"; return 1; }
  [[ $(our_products) != "$first_product "* ]] || say "the first product is still registered" ||
    return 1
  one_product "$next"
}
check "a version higher in its fourth number upgrades in place: one product, the new version" \
  upgraded

later=$v1.$v2.$((v3 + 1)).0
later_msi=$(make_msi "$later")
msi_install "$later_msi"
later_rc=$?
msi_install "$next_msi"
downgrade_rc=$?
later_wins() {
  same "$later_rc" 0 "msiexec /i $later exit code" || return 1
  [[ $downgrade_rc != 0 ]] || say "installing $next over $later succeeded" || return 1
  one_product "$later"
}
check "a version higher in its third number upgrades too, and the older is then refused" later_wins

# --- Uninstall ------------------------------------------------------------
wine msiexec /x "$(winpath "$later_msi")" /qn </dev/null >/dev/null 2>&1
uninstall_rc=$?
wineserver -w

uninstalled() {
  same "$uninstall_rc" 0 "msiexec /x exit code" || return 1
  [[ ! -e $install_dir ]] || say "$install_dir is still there" || return 1
  same "$(shortcuts | wc -l)" 0 "shortcuts left" || return 1
  [[ -z $(our_products) ]] || say "still registered: $(our_products)" || return 1
  on_path 0 || return 1
  local out
  out=$(cd "$work" && run_wine cmd /c zulctl --version)
  [[ -z $out ]] || say "zulctl still runs from a new shell: $out" || return 1
  # Every file there now was there before the install.
  find "$drive_c" | sort >"$work/files-after.txt"
  local added
  # (Windows Installer's own cache folder stays, empty.)
  added=$(comm -13 "$work/files-before.txt" "$work/files-after.txt" | grep -v '/windows/Installer$')
  [[ -z $added ]] || say "left behind: $added"
}
check "a silent uninstall removes every file, the shortcut, the PATH entry and the registration" \
  uninstalled

stop_wine
trap - EXIT
leftovers() {  # the registry, as the server saved it on stopping
  local hits
  hits=$(grep -iF -e "$ZUL_PRODUCT_NAME" -e "$ZUL_MANUFACTURER" "$WINEPREFIX"/*.reg)
  [[ -z $hits ]] || say "the registry still names the product: $hits"
}
check "no registry key or value names the product or its maker after the uninstall" leftovers

checks_end
