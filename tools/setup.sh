#!/usr/bin/env bash
# Installs, once, the Debian packages a fresh Debian 12 machine lacks to build and
# test Tidewell: CMake, the MinGW-w64 cross compilers, Wine, Xvfb and X tools,
# Dovecot's POP3 server, OpenSSL, clang (fuzzing), GoogleTest, Python, NSIS
# (the setup program), Wine's own fonts (Tahoma for the dialogs, Marlett for
# the caption buttons; recommended by Wine, so left out by --no-install-recommends)
# and one CJK font (WenQuanYi Micro Hei), without which Wine draws Chinese,
# Japanese and Korean subjects as boxes in the screenshots.
# Installing needs root: run as root, or as a user with sudo (asked only when
# something is missing). With everything present it changes nothing and needs no
# rights at all.
set -euo pipefail

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
root() { [ "$(id -u)" = 0 ]; }
as_root() { if root; then "$@"; else sudo "$@"; fi; }
# A mirror in mid-sync fails an index now and then: try again, then go on with what came.
update() { for _ in 1 2 3; do as_root apt-get update -qq && return 0; sleep 5; done; return 0; }

need=()
for p in cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev \
         g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xvfb xauth x11-utils xdotool imagemagick \
         dovecot-pop3d openssl clang libclang-rt-14-dev googletest python3 nsis fonts-wine \
         fonts-wqy-microhei; do
  have "$p" || need+=("$p")
done
# 32-bit Wine (and the GnuTLS its Schannel needs) runs the 32-bit program itself. It is optional
# and installed apart: a kernel without 32-bit support cannot use it (tools/arch.sh then tests
# under wine64), and an i386 index that is out of step with the mirror must not stop the rest.
need32=()
for p in wine32:i386 libgnutls30:i386; do have "$p" || need32+=("$p"); done

export DEBIAN_FRONTEND=noninteractive
if [ ${#need[@]} -gt 0 ]; then
  if ! root && ! command -v sudo >/dev/null 2>&1; then
    echo "setup: Tidewell needs packages that only root can install; as root run: apt-get install ${need[*]}" >&2
    exit 1
  fi
  if root; then
    echo "setup: installing the packages Tidewell's build and tests need: ${need[*]}"
  else
    echo "setup: Tidewell's build and tests need these Debian packages: ${need[*]}"
    echo "setup: installing them with sudo apt-get (sudo may ask for your password)"
  fi
  update
  as_root apt-get install -y -qq --no-install-recommends "${need[@]}"
  # Dovecot's packaged service is not used: the tests start their own instances.
  if printf '%s\n' "${need[@]}" | grep -qx dovecot-pop3d && command -v systemctl >/dev/null 2>&1; then
    as_root systemctl disable --now dovecot >/dev/null 2>&1 || true
  fi
fi

# With the package lists as they are: a machine that cannot get them costs one quick refusal per
# run. Never a password prompt for it: only as root or with sudo that asks for none.
if [ ${#need32[@]} -gt 0 ]; then
  if root || sudo -n true 2>/dev/null; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386
      update
    fi
    echo "setup: installing ${need32[*]}"
    as_root apt-get install -y -qq --no-install-recommends "${need32[@]}" >/dev/null 2>&1 ||
      echo "setup: 32-bit Wine not installed; tests will run under wine64" >&2
  else
    echo "setup: 32-bit Wine (${need32[*]}) needs root to install; tests will run under wine64" >&2
  fi
fi
exit 0
