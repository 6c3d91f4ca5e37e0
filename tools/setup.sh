#!/usr/bin/env bash
# Installs, once, everything a fresh Debian 12 machine lacks to build and test Tidewell.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
# A mirror in mid-sync fails an index now and then: try again, then go on with what came.
update() { for _ in 1 2 3; do sudo_ apt-get update -qq && return 0; sleep 5; done; return 0; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  update
fi

for p in cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev \
         g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xvfb xauth x11-utils xdotool imagemagick \
         dovecot-pop3d openssl clang libclang-rt-14-dev googletest python3 nsis; do
  have "$p" || need+=("$p")
done
# 32-bit Wine (and the GnuTLS its Schannel needs) runs the 32-bit program itself. It is installed apart:
# a kernel without 32-bit support cannot use it (tools/arch.sh then tests under wine64), and an i386
# index that is out of step with the mirror must not stop the rest.
need32=()
for p in wine32:i386 libgnutls30:i386; do have "$p" || need32+=("$p"); done

export DEBIAN_FRONTEND=noninteractive
if [ ${#need[@]} -gt 0 ]; then
  update
  echo "setup: installing ${need[*]}"
  sudo_ apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
# With the package lists as they are: a machine that cannot get them costs one quick refusal per run.
if [ ${#need32[@]} -gt 0 ]; then
  echo "setup: installing ${need32[*]}"
  sudo_ apt-get install -y -qq --no-install-recommends "${need32[@]}" >/dev/null 2>&1 ||
    echo "setup: 32-bit Wine not installed; tests will run under wine64" >&2
fi
# Dovecot's packaged service is not used: the tests start their own instances.
if command -v systemctl >/dev/null 2>&1; then sudo_ systemctl disable --now dovecot >/dev/null 2>&1 || true; fi
exit 0
