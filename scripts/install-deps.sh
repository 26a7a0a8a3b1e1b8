#!/bin/sh
# Installs what building and testing Halvard needs, from Debian's packages. Idempotent: packages
# already present are not fetched again. Usage: install-deps.sh [native|all]
set -eu
want="cmake make g++ googletest libgtest-dev"
if [ "${1:-all}" = all ]; then
    want="$want g++-mingw-w64-x86-64 wine wine64 xvfb xauth"
fi
missing=""
for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
