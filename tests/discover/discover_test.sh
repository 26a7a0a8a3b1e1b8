#!/bin/sh
# Discovery against real SNMP agents (snmpd, one per simulated device, scripts/sim-printers.sh)
# on 127.0.77.0/26, away from the addresses other tests take: 30 printers of the package's model
# and 10 of another, each with its zepdevsim, 5 agents that are no printers, the rest silent.
# Agents on the block's network and broadcast addresses and just outside it must never be asked.
# --discover lists exactly the 40 printers with their model and serial; --write-targets writes
# the 30 and halvard --targets updates them; SNMPv3 works with the right pass phrases and with a
# wrong one finds nothing and says why; ranges too large or malformed are usage errors; no
# packet leaves for an address outside the range; with ANSIBLE=1 the inventory plugin yields the
# 40 hosts and their groups.
# Usage: discover_test.sh SOURCE_DIR BIN_DIR [ANSIBLE]
set -u
src=$1
bin=$2
ansible=${3:-0}
work=$(mktemp -d /tmp/halvard-discover.XXXXXX)
export SNMP_PORT=16177 HALVARD_BIN="$bin" SNMP_V3_USER=inventory SNMP_V3_AUTH=auth-pass-77 \
    SNMP_V3_PRIV=priv-pass-77
cleanup() {
    sh "$src/scripts/sim-printers.sh" stop "$work/sim"
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
[ -z "${KEEP:-}" ] || trap 'sh "$src/scripts/sim-printers.sh" stop "$work/sim"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
sim() { sh "$src/scripts/sim-printers.sh" start "$work/sim" "$@" || fail "sim-printers $*"; }

# A small release of the sample model.
head -c 20000 /dev/urandom >"$work/boot.bin"
head -c 9000 /dev/urandom >"$work/lang.bin"
sed 's/hv2000_boot.bin/boot.bin/; s/hv2000_lang.bin/lang.bin/' "$src/examples/ZEPINFO.txt" >"$work/ZEPINFO.txt"
"$bin/zepbind" create -o "$work/release.pkg" --info "$work/ZEPINFO.txt" "$work/boot.bin" \
    "$work/lang.bin" >/dev/null || fail "zepbind"
hv() { "$bin/halvard" --package "$work/release.pkg" "$@"; }

sim 127.0.77.2 30 HV-2000
sim 127.0.77.32 10 LX-700
sim 127.0.77.42 5 -
# Sentinels: the network and broadcast addresses of the /26 and the neighbours outside it.
sim 127.0.77.0 1 HV-2000
sim 127.0.77.63 2 HV-2000
sim 127.0.76.255 1 HV-2000
sentinels="127-0-77-0 127-0-77-63 127-0-77-64 127-0-76-255"

# The expected printers: address, model, serial (the simulator's: SN + third octet + %03d).
i=2
while [ $i -le 41 ]; do
    model=HV-2000
    [ $i -ge 32 ] && model=LX-700
    printf '127.0.77.%d %s SN77%03d\n' $i $model $i
    i=$((i + 1))
done >"$work/expected"

# Every address the discovery sends to (strace: sendto, sendmsg, connect) lies in the range.
tracer=""
command -v strace >/dev/null 2>&1 || fail "strace is not installed (scripts/install-deps.sh)"
tracer="strace -f -qq -e trace=connect,sendto,sendmsg -o $work/trace"
# LeakSanitizer cannot run under ptrace: the leak check is left to the runs below.
# shellcheck disable=SC2086
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" $tracer "$bin/halvard" --package "$work/release.pkg" --discover 127.0.77.0/26 \
    --snmp-port $SNMP_PORT --json >"$work/v2.json" 2>"$work/v2.err" || fail "discover: $(cat "$work/v2.err")"
/usr/bin/python3 - "$work/v2.json" "$work/expected" <<'EOF' || fail "discovery result: $(cat "$work/v2.json" | head -5)"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
printers = [l for l in lines if "address" in l]
summary = lines[-1]["summary"]
got = sorted("%s %s %s" % (p["address"], p["model"], p["serial"]) for p in printers)
want = sorted(l.strip() for l in open(sys.argv[2]))
assert got == want, (set(got) ^ set(want))
assert all(p["served"] == (p["model"] == "HV-2000") for p in printers)
assert all(p["update_port_open"] for p in printers)
assert summary == {"addresses": 62, "asked": 62, "printers": 40, "served": 30, "not_printers": 5,
                   "silent": 17, "refused": 0, "refusal": None, "stopped": False}, summary
EOF
awk '/(connect|sendto|sendmsg)\(/ && /sin_addr=inet_addr\(/ {
        match($0, /inet_addr\("[0-9.]+"\)/); a = substr($0, RSTART + 11, RLENGTH - 13)
        split(a, o, "."); if (!(o[1] == 127 && o[2] == 0 && o[3] == 77 && o[4] >= 1 && o[4] <= 62)) print a
     }' "$work/trace" >"$work/outside"
[ ! -s "$work/outside" ] || fail "packets outside the range: $(sort -u "$work/outside" | head)"
grep -q 'inet_addr("127.0.77.62")' "$work/trace" || fail "the trace shows no packet (strace output changed?)"
# Every agent in the range was asked; no sentinel was.
for d in "$work"/sim/127-0-77-*; do
    tag=${d##*/}
    case " $sentinels " in *" $tag "*) continue ;; esac
    grep -q "Connection from" "$d/snmpd.log" || fail "agent $tag was not asked"
done
for tag in $sentinels; do
    ! grep -q "Connection from" "$work/sim/$tag/snmpd.log" || fail "$tag is outside the range but was asked"
done

# The served printers as a targets file, then updated from it.
hv --discover 127.0.77.0/26 --snmp-port $SNMP_PORT --write-targets "$work/targets.txt" \
    --report "$work/found.csv" >"$work/table.txt" 2>&1 || fail "write-targets: $(cat "$work/table.txt")"
grep -q "^40 printer(s) found in 62 address(es), 30 served" "$work/table.txt" || fail "table: $(tail -3 "$work/table.txt")"
[ "$(grep -c '^127\.0\.77\.' "$work/targets.txt")" -eq 30 ] || fail "targets file: $(cat "$work/targets.txt")"
grep -q "^# HV-2000, serial SN77002 (prn-77-2)$" "$work/targets.txt" || fail "no comment above a target"
! grep -q "127\.0\.77\.3[2-9]\|127\.0\.77\.4[01]" "$work/targets.txt" || fail "an LX-700 is a target"
[ "$(grep -c '^"127' "$work/found.csv")" -eq 40 ] || fail "report: $(head -3 "$work/found.csv")"
hv --targets "$work/targets.txt" --jobs 30 >"$work/update.txt" 2>&1 || fail "update: $(tail -5 "$work/update.txt")"
grep -q "^30 of 30 device(s) succeeded" "$work/update.txt" || fail "update: $(tail -3 "$work/update.txt")"

# SNMPv3: the right pass phrases find the same printers; a wrong one finds nothing and says why.
printf 'auth=%s\npriv=%s\n' "$SNMP_V3_AUTH" "$SNMP_V3_PRIV" >"$work/good.secrets"
printf 'auth=not-the-pass-77\npriv=%s\n' "$SNMP_V3_PRIV" >"$work/bad.secrets"
v3() { hv --discover 127.0.77.0/26 --snmp-port $SNMP_PORT --snmp-user inventory --snmp-auth SHA \
    --snmp-priv AES --snmp-secrets "$@"; }
v3 "$work/good.secrets" --json >"$work/v3.json" 2>&1 || fail "v3: $(tail -3 "$work/v3.json")"
[ "$(grep -c '"address"' "$work/v3.json")" -eq 40 ] || fail "v3 found $(grep -c '"address"' "$work/v3.json")"
v3 "$work/bad.secrets" >"$work/v3bad.txt" 2>&1 && fail "a wrong pass phrase succeeded"
grep -q "^0 printer(s) found" "$work/v3bad.txt" || fail "wrong pass phrase: $(cat "$work/v3bad.txt")"
grep -q "45 agent(s) refused the SNMPv3 credentials: wrong authentication pass phrase" "$work/v3bad.txt" ||
    fail "no reason given: $(cat "$work/v3bad.txt")"
# No secret in any output.
! grep -rq "$SNMP_V3_AUTH\|$SNMP_V3_PRIV\|not-the-pass" "$work"/*.json "$work"/*.txt "$work/found.csv" ||
    fail "a pass phrase reached the output"

# Usage errors: exit 2 with the reason.
usage() {
    expect=$1
    shift
    hv "$@" >"$work/usage.txt" 2>&1
    rc=$?
    [ $rc -eq 2 ] && grep -q "$expect" "$work/usage.txt" || fail "$* gave $rc: $(cat "$work/usage.txt")"
}
usage "larger than the /16" --discover 127.0.0.0/15 --snmp-port $SNMP_PORT
usage "not an IPv4 address: 127.0.77.300" --discover 127.0.77.300/26
usage "has host bits set" --discover 127.0.77.1/26
usage "\-\-snmp-auth needs the pass phrase" --discover 127.0.77.2 --snmp-user u --snmp-auth SHA
usage "cannot be used with --discover" --discover 127.0.77.2 --address 127.0.77.3

if [ "$ansible" = 1 ]; then
    mkdir -p "$work/collections/ansible_collections/torvi" "$work/home"
    ln -s "$src/contrib/ansible" "$work/collections/ansible_collections/torvi/halvard"
    cat >"$work/printers.yml" <<EOF
plugin: torvi.halvard.printers
ranges: [127.0.77.0/26]
halvard: $bin/halvard
package: $work/release.pkg
snmp_port: $SNMP_PORT
snmp_user: inventory
snmp_auth_protocol: SHA
snmp_auth_passphrase: $SNMP_V3_AUTH
snmp_priv_protocol: AES
snmp_priv_passphrase_file: $work/priv.txt
groups:
  printers: halvard_served
compose:
  printer_address: halvard_address
EOF
    echo "$SNMP_V3_PRIV" >"$work/priv.txt"
    HOME="$work/home" ANSIBLE_HOME="$work/home/.ansible" ANSIBLE_COLLECTIONS_PATH="$work/collections" \
        ansible-inventory -i "$work/printers.yml" --list >"$work/inventory.json" 2>"$work/inventory.err" ||
        fail "ansible-inventory: $(cat "$work/inventory.err")"
    /usr/bin/python3 - "$work/inventory.json" <<'EOF' || fail "inventory: $(head -c 600 "$work/inventory.json")"
import json, sys
inv = json.load(open(sys.argv[1]))
hosts = inv["_meta"]["hostvars"]
assert len(hosts) == 40, len(hosts)
assert sorted(inv["halvard_served"]["hosts"]) == sorted("prn-77-%d" % i for i in range(2, 32))
assert len(inv["halvard_not_served"]["hosts"]) == 10 and len(inv["halvard_model_lx_700"]["hosts"]) == 10
assert len(inv["printers"]["hosts"]) == 30
h = hosts["prn-77-5"]
assert (h["halvard_address"], h["halvard_model"], h["halvard_serial"], h["printer_address"]) == \
    ("127.0.77.5", "HV-2000", "SN77005", "127.0.77.5"), h
EOF
    HOME="$work/home" ANSIBLE_HOME="$work/home/.ansible" ANSIBLE_COLLECTIONS_PATH="$work/collections" \
        ansible-inventory -i "$work/printers.yml" --graph >"$work/graph.txt" 2>&1 || fail "--graph"
    grep -q "@halvard_model_hv_2000:" "$work/graph.txt" || fail "graph: $(head "$work/graph.txt")"
fi
echo "discover: all checks passed"
