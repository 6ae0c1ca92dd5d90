#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need and this machine lacks.
# Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686
          wine wine64 wine32:i386 xvfb xauth x11-utils locales imagemagick python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [ "$(id -u)" != 0 ]; then
    echo "install-deps: run as root (or install these packages): ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  # The 32-bit Wine (for the i686 release) installs only with the i386 architecture enabled.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

# Wine takes its ANSI code page from the Unix locale: an English UTF-8 locale gives 1252.
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  echo "install-deps: generating the en_US.UTF-8 locale"
  if [ -f /etc/locale.gen ]; then
    sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' >> /etc/locale.gen
  fi
  locale-gen >/dev/null
fi
