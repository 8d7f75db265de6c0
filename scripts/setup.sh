#!/usr/bin/env bash
# Installs what Solwire needs on Debian 12, when it is missing. Safe to run
# again: it only installs packages that are not there yet.
#
#   scripts/setup.sh            what building and running Solwire need
#   scripts/setup.sh tests      also the test tools and the real peers the tests talk to
#   scripts/setup.sh package    also what making the Debian packages needs
set -euo pipefail

build_packages=(
  build-essential g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libcli11-dev nlohmann-json3-dev libmosquitto-dev
  xvfb xauth fonts-wqy-microhei
)

# CPack's Debian generator reads the binaries' libraries with dpkg-shlibdeps
# and file, and splits the debug information off with objcopy.
package_packages=(dpkg-dev file binutils)

test_packages=(
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libreoffice-calc-nogui libreoffice-writer-nogui
  cups printer-driver-cups-pdf poppler-utils
  python3 ser2net python3-serial python3-jinja2
  mosquitto mosquitto-clients openssl
  "${package_packages[@]}"
  lintian desktop-file-utils appstream man-db groff-base systemd
)

packages=("${build_packages[@]}")
for group in "$@"; do
  case "$group" in
    tests) packages+=("${test_packages[@]}") ;;
    package) packages+=("${package_packages[@]}") ;;
    *) echo "scripts/setup.sh: unknown group '$group' (tests or package)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
else
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
