#!/usr/bin/env bash
# Installs, once, everything a fresh Debian 12 machine lacks to build and test Tidewell.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  sudo_ apt-get update -qq
fi

for p in cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev \
         g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 wine32:i386 libgnutls30:i386 xvfb xauth x11-utils xdotool imagemagick \
         dovecot-pop3d openssl clang libclang-rt-14-dev googletest python3; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_ apt-get update -qq || true
  sudo_ apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
# Dovecot's packaged service is not used: the tests start their own instances.
if command -v systemctl >/dev/null 2>&1; then sudo_ systemctl disable --now dovecot >/dev/null 2>&1 || true; fi
exit 0
