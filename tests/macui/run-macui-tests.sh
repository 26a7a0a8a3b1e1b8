#!/bin/sh
# Runs the macOS window tests on a private display (scripts/gnustep-run) with a private CUPS
# scheduler with a "qzrk" backend, stopped again by its own process id.
# Usage: run-macui-tests.sh TEST-PROGRAM [ARGS...]
set -eu
dir=$(mktemp -d "${TMPDIR:-/tmp}/halvard-macui.XXXXXX")
cups=$dir/cups
mkdir -p "$cups/spool" "$cups/cache" "$cups/state" "$cups/log" "$cups/bin/backend"
for d in /usr/lib/cups/*; do
    [ "$(basename "$d")" = backend ] || ln -s "$d" "$cups/bin/"
done
for b in /usr/lib/cups/backend/*; do ln -s "$b" "$cups/bin/backend/"; done
# Queues of the maker's driver carry a "qzrk" URI; the scheduler accepts it with a backend.
printf '#!/bin/sh\nexit 0\n' >"$cups/bin/backend/qzrk"
chmod 700 "$cups/bin/backend/qzrk"
cat >"$cups/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel warn
ErrorLog $cups/log/error_log
Browsing No
<Location />
Order allow,deny
Allow all
</Location>
<Policy default>
<Limit All>
Order deny,allow
</Limit>
</Policy>
CONF
cat >"$cups/cups-files.conf" <<CONF
ServerRoot $cups
RequestRoot $cups/spool
CacheDir $cups/cache
StateDir $cups/state
TempDir $cups/spool
ServerBin $cups/bin
DataDir /usr/share/cups
Printcap $cups/printcap
FileDevice Yes
CONF
cupsd -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" >"$dir/cupsd.out" 2>&1 &
cupsd_pid=$!
trap 'kill $cupsd_pid 2>/dev/null && wait $cupsd_pid 2>/dev/null; rm -rf "$dir"' EXIT
export CUPS_SERVER=$cups/cups.sock HALVARD_TEST_DIR=$dir
i=0
until [ -S "$CUPS_SERVER" ]; do
    i=$((i + 1))
    [ $i -lt 100 ] || { cat "$dir/cupsd.out"; exit 1; }
    sleep 0.05
done
status=0
"$(dirname "$0")/../../scripts/gnustep-run" "$@" || status=$?
exit $status
