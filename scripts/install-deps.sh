#!/bin/sh
# Installs what building and testing Halvard needs, from Debian's packages. Idempotent: packages
# already present are not fetched again. Usage: install-deps.sh [native|all|screenshots]
set -eu
# libcups for the macOS variant's print-queue list; clang with its libFuzzer runtime for the fuzz
# preset; clang-tidy and cppcheck for the analysers; ansible-core for the tests of the Ansible
# collection, with ansible-lint, pycodestyle, pylint and pytest for its lint gate and unit tests;
# libssl-dev and openssl for package signatures (libcrypto) and their tests; prometheus for
# promtool, which checks halvard's metrics file; libsnmp-dev for discovery's SNMP client, snmpd
# for the simulated printers' agents, snmp's command-line tools to ask them by hand, and strace
# for the test that discovery sends nothing outside its ranges.
want="cmake make g++ googletest libgtest-dev libcups2-dev libssl-dev openssl clang libclang-rt-14-dev
      clang-tidy cppcheck ansible-core ansible-lint pycodestyle pylint python3-pytest prometheus
      libsnmp-dev snmpd snmp strace"
case "${1:-all}" in
all)
    # The Windows build under Wine, with fonts for the dialogs of every language; osslsigncode,
    # openssl and the mingw binutils (windres, objcopy) for the tests of the shipped programs.
    want="$want g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 osslsigncode openssl
          wine wine64 xvfb xauth locales fonts-ipafont-gothic
          fonts-wqy-microhei fonts-nanum fonts-tlwg-loma-ttf fonts-liberation2 fonts-wine
          gnustep-devel libgnustep-gui-dev gobjc++ cups libcups2-dev twm"
    # Making and checking a release (scripts/release.sh).
    want="$want dpkg-dev lintian man-db groff-base zip unzip osslsigncode ansible-core"
    ;;
screenshots) want="imagemagick xvfb xauth gnustep-devel libgnustep-gui-dev gobjc++ cups libcups2-dev twm" ;;
esac
missing=""
for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
# Locales the wizard is run in under Wine (the language Wine reports follows the locale).
if [ "${1:-all}" = all ]; then
    for l in en_US de_DE ja_JP; do
        if ! locale -a 2>/dev/null | grep -qi "^$l.utf-\?8$"; then
            $SUDO sed -i "s/^# *\($l.UTF-8 UTF-8\)/\1/" /etc/locale.gen
            grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
            regen=1
        fi
    done
    [ -z "${regen:-}" ] || $SUDO locale-gen >/dev/null
fi
