#!/bin/sh
# Simulated printers that answer SNMP: per printer a net-snmp agent (snmpd) on its own loopback
# address and an unprivileged UDP port, configured from a generated file with the printer's
# name, model, serial and IEEE 1284 device ID, and a zepdevsim for its update service. Every
# agent runs as the invoking user with its own configuration and state under DIR: no system
# snmpd service is used or needed.
#
#   sim-printers.sh start DIR FIRST COUNT [MODEL]   COUNT printers from address FIRST (127.x.y.z)
#   sim-printers.sh start DIR FIRST COUNT -         COUNT SNMP agents that are not printers
#   sim-printers.sh stop DIR                        stops every agent and simulator under DIR
#
# start may be called again with the same DIR to add more. MODEL defaults to HV-2000 (the sample
# package's). Environment: SNMP_PORT (default 16100), HALVARD_BIN (zepdevsim's folder, default
# build/dev/bin), TARGET_INFO (default examples/TargetInfo.txt), SNMP_V3_USER with
# SNMP_V3_AUTH / SNMP_V3_PRIV (SHA and AES pass phrases) to add an SNMPv3 user, SNMP_COMMUNITY
# (default public). Loopback addresses only: anything else is refused.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
port=${SNMP_PORT:-16100}
bin=${HALVARD_BIN:-$here/build/dev/bin}
info=${TARGET_INFO:-$here/examples/TargetInfo.txt}
community=${SNMP_COMMUNITY:-public}

die() {
    echo "sim-printers: $*" >&2
    exit 1
}

# next_addr A: the address after A (within 127.0.0.0/8).
next_addr() {
    echo "$1" | awk -F. '{ n = ($2 * 65536 + $3 * 256 + $4) + 1
        printf "127.%d.%d.%d\n", int(n / 65536) % 256, int(n / 256) % 256, n % 256 }'
}

start() {
    dir=$1 addr=$2 count=$3 model=${4:-HV-2000}
    case $addr in 127.*.*.*) ;; *) die "only loopback addresses (127.0.0.0/8): $addr" ;; esac
    command -v snmpd >/dev/null 2>&1 || [ -x /usr/sbin/snmpd ] || die "snmpd is not installed"
    snmpd=$(command -v snmpd || echo /usr/sbin/snmpd)
    [ "$model" = - ] || [ -x "$bin/zepdevsim" ] || die "no zepdevsim in $bin"
    mkdir -p "$dir"
    i=0
    while [ "$i" -lt "$count" ]; do
        tag=$(echo "$addr" | tr . -)
        a="$dir/$tag"
        mkdir -p "$a/state"
        oct3=$(echo "$addr" | cut -d. -f3)
        oct4=$(echo "$addr" | cut -d. -f4)
        {
            echo "# Agent of the simulated device at $addr."
            echo "rocommunity $community 127.0.0.0/8"
            if [ -n "${SNMP_V3_USER:-}" ]; then
                echo "createUser $SNMP_V3_USER SHA \"$SNMP_V3_AUTH\" AES \"$SNMP_V3_PRIV\""
                echo "rouser $SNMP_V3_USER priv"
            fi
            if [ "$model" = - ]; then
                echo "override .1.3.6.1.2.1.1.5.0 octet_str \"host-$oct3-$oct4\""
                echo "override .1.3.6.1.2.1.1.1.0 octet_str \"Simulated server (no printer)\""
            else
                echo "override .1.3.6.1.2.1.1.5.0 octet_str \"prn-$oct3-$oct4\""
                echo "override .1.3.6.1.2.1.1.1.0 octet_str \"Torvi $model simulated printer\""
                # The Host Resources device and Printer MIB rows of device 1, and the IEEE 1284
                # device ID of the Printer Port Monitor MIB.
                echo "override .1.3.6.1.2.1.25.3.2.1.3.1 octet_str \"Torvi $model\""
                echo "override .1.3.6.1.2.1.43.5.1.1.17.1 octet_str \"SN$oct3$(printf %03d "$oct4")\""
                echo "override .1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1 octet_str \"MFG:Torvi;MDL:$model;CMD:PCL6;\""
            fi
        } >"$a/snmpd.conf"
        # -C: no system configuration; -r: never stop over root-only files; MIBS off: no MIB
        # files are read. Each request is logged ("Connection from ...") in $a/snmpd.log.
        SNMP_PERSISTENT_DIR="$a/state" MIBS= MIBDIRS="$a/state" \
            "$snmpd" -f -C -c "$a/snmpd.conf" -r -Lf "$a/snmpd.log" -p "$a/snmpd.pid" \
            "udp:$addr:$port" >/dev/null 2>&1 &
        echo $! >"$a/snmpd.process"
        if [ "$model" != - ]; then
            mkdir -p "$a/received"
            "$bin/zepdevsim" --target-info "$info" --host "$addr" --write-steps 0 \
                --out "$a/received" --log "$a/zepdevsim.log" >/dev/null 2>&1 &
            echo $! >"$a/zepdevsim.process"
        fi
        echo "$addr $model" >>"$dir/devices"
        addr=$(next_addr "$addr")
        i=$((i + 1))
    done
    # Ready when every agent has written its start line and every simulator its log.
    t=0
    for a in "$dir"/127-*; do
        until grep -q "NET-SNMP version" "$a/snmpd.log" 2>/dev/null &&
            { [ ! -f "$a/zepdevsim.process" ] || [ -s "$a/zepdevsim.log" ]; }; do
            [ $t -lt 300 ] || die "the device in $a did not start (is its address taken?)"
            sleep 0.05
            t=$((t + 1))
        done
    done
}

stop() {
    dir=$1
    [ -d "$dir" ] || return 0
    for f in "$dir"/127-*/snmpd.process "$dir"/127-*/zepdevsim.process; do
        [ -f "$f" ] || continue
        kill "$(cat "$f")" 2>/dev/null || true
        rm -f "$f"
    done
}

case ${1:-} in
start)
    [ $# -ge 4 ] || die "usage: sim-printers.sh start DIR FIRST COUNT [MODEL|-]"
    start "$2" "$3" "$4" "${5:-HV-2000}"
    ;;
stop)
    [ $# -eq 2 ] || die "usage: sim-printers.sh stop DIR"
    stop "$2"
    ;;
*) die "usage: sim-printers.sh start DIR FIRST COUNT [MODEL|-] | stop DIR" ;;
esac
