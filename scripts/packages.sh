# The Debian packages that building, testing and running the tool need.
# Source it, then call install_packages: it installs whatever is missing.

zul_packages=(cmake ninja-build g++ gcc make googletest libgtest-dev libbenchmark-dev
              g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 fonts-wine fonts-liberation xvfb xauth
              imagemagick x11-utils nlohmann-json3-dev libcli11-dev libfccp-dev libudev-dev pkgconf clang libclang-rt-14-dev
              wixl msitools osslsigncode openssl zip unzip python3
              qemu-system-x86 busybox-static cpio kmod udev mtools dosfstools)

install_packages() {
  local missing=() p
  for p in "${zul_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}
