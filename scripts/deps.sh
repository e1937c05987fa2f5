#!/usr/bin/env bash
# Installs the Debian packages VELKOR builds and tests with, but only those that are missing; the
# arguments name more (the Windows test, fuzzing and static analysis ask for their own).
# Needs root (or sudo) when something must be installed. A name ending in ":i386" (Wine's 32-bit
# half) first adds that architecture to dpkg, so apt takes it from Debian's own archive.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qtbase5-dev libsqlite3-dev
          qt6-translations-l10n qttranslations5-l10n
          xvfb xauth fonts-noto-cjk g++-mingw-w64-i686 "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
for p in "${missing[@]}"; do
  case $p in
    *:i386) dpkg --print-foreign-architectures | grep -qx i386 ||
              "${sudo_cmd[@]}" dpkg --add-architecture i386 ;;
  esac
done
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
