# Sourced: sets TIDEWELL_TEST_ARCH to i686 when this machine can run 32-bit wine,
# else x86_64 (a kernel without 32-bit support, such as a gVisor sandbox, runs
# only wine64). The shipped program is the i686 build either way.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  TIDEWELL_TEST_ARCH=i686
else
  TIDEWELL_TEST_ARCH=x86_64
fi
export TIDEWELL_TEST_ARCH
