#!/usr/bin/env bash
# CTest's cross-compiling emulator: runs one Windows program under wine in the
# run's own prefix (made by wine-prefix.sh), with wine's own chatter off.
. "$(dirname "$0")/wine-env.sh"
exec "$WINE" "$@"
