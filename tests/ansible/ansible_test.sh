#!/bin/sh
# The Ansible collection against simulated printers: 20 zepdevsim devices on loopback addresses
# (127.0.42.x, away from the addresses other tests take) in two sites, each an inventory host
# with a local connection. A dry run in check mode sends nothing and shows each device's diff;
# the roll-out updates every device; a second roll-out changes none (the devices restarted with
# the new versions) and the inventory report reads them all; a canary refusing the release fails
# alone, changed (its image was sent), and no later wave begins; with a trusted key the unsigned
# release is refused before any device hears of it; one fleet task over the site's printers
# finds them all current; ansible-doc shows the modules.
# Usage: ansible_test.sh SOURCE_DIR BIN_DIR
set -u
src=$1
bin=$2
work=$(mktemp -d /tmp/halvard-ansible.XXXXXX)
pids=""
cleanup() {
    [ -z "$pids" ] || kill $pids 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
[ -z "${KEEP:-}" ] || trap - EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

mkdir -p "$work/collections/ansible_collections/torvi"
ln -s "$src/contrib/ansible" "$work/collections/ansible_collections/torvi/halvard"
export ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_CALLBACKS_ENABLED=ansible.builtin.tree
export ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_HOME="$work/home" ANSIBLE_NOCOLOR=1
export ANSIBLE_HOST_KEY_CHECKING=False ANSIBLE_RETRY_FILES_ENABLED=False

ansible-doc -t module torvi.halvard.firmware torvi.halvard.firmware_info torvi.halvard.fleet \
    >"$work/doc.txt" 2>&1 ||
    fail "ansible-doc: $(cat "$work/doc.txt")"
grep -q "stop_grace" "$work/doc.txt" || fail "ansible-doc shows no shared options"
grep -q "RETURN VALUES" "$work/doc.txt" || fail "ansible-doc shows no return values"

# A small release of two images for the sample model.
head -c 20000 /dev/urandom >"$work/boot.bin"
head -c 9000 /dev/urandom >"$work/lang.bin"
sed 's/hv2000_boot.bin/boot.bin/; s/hv2000_lang.bin/lang.bin/' "$src/examples/ZEPINFO.txt" >"$work/ZEPINFO.txt"
"$bin/zepbind" create -o "$work/release.pkg" --info "$work/ZEPINFO.txt" "$work/boot.bin" \
    "$work/lang.bin" >/dev/null || fail "zepbind"

n=20
{
    echo "[oslo]"
    i=0
    while [ $i -lt $n ]; do
        [ $i -eq $((n / 2)) ] && echo "[bergen]"
        echo "printer$i printer_address=127.0.42.$((i + 2))"
        i=$((i + 1))
    done
    echo "[printers:children]"
    echo "oslo"
    echo "bergen"
    echo "[printers:vars]"
    echo "ansible_connection=local"
    echo "ansible_python_interpreter=/usr/bin/python3"
    echo "site_host=localhost"
    echo "[sites]"
    echo "localhost ansible_connection=local ansible_python_interpreter=/usr/bin/python3"
} >"$work/inventory.ini"

# start_devices [ZEPDEVSIM ARGS FOR THE FIRST DEVICE]: fresh simulators, logs in $work/logN.
start_devices() {
    [ -z "$pids" ] || kill $pids 2>/dev/null
    wait 2>/dev/null
    pids=""
    i=0
    while [ $i -lt $n ]; do
        extra=""
        [ $i -eq 0 ] && extra="$*"
        # shellcheck disable=SC2086
        "$bin/zepdevsim" --target-info "$src/examples/TargetInfo.txt" --host "127.0.42.$((i + 2))" \
            --write-steps 0 --restart-ms 1000 --image-version BOOTABLE=HV001200 \
            --image-version LANGUAGE=HV000310 --log "$work/log$i" $extra >/dev/null 2>&1 &
        pids="$pids $!"
        i=$((i + 1))
    done
    i=0
    while [ $i -lt $n ]; do
        t=0
        until [ -s "$work/log$i" ] || [ $t -ge 100 ]; do sleep 0.05; t=$((t + 1)); done
        [ -s "$work/log$i" ] || fail "simulator $i did not start (is 127.0.42.$((i + 2)) taken?)"
        i=$((i + 1))
    done
}

# play NAME [ARGS]: runs the roll-out; each host's result is kept as JSON in $work/NAME/HOST.
play() {
    name=$1
    shift
    start=$(date +%s%N)
    ANSIBLE_CALLBACK_TREE_DIR="$work/$name" ansible-playbook -i "$work/inventory.ini" -f 20 \
        "$src/contrib/ansible/playbooks/rollout.yml" \
        -e "halvard_program=$bin/halvard package=$work/release.pkg verify=${VERIFY:-false}" "$@" \
        >"$work/$name.out" 2>&1
    echo "$name: $((($(date +%s%N) - start) / 1000000)) ms"
}

check() {
    /usr/bin/python3 "$src/tests/ansible/check_play.py" "$work" "$n" "$@" || fail "$1"
}

# A release key: the unsigned release is refused before any device is touched.
openssl ecparam -name prime256v1 -genkey -noout -out "$work/release-key.pem" 2>/dev/null &&
    openssl pkey -in "$work/release-key.pem" -pubout -out "$work/release-pub.pem" 2>/dev/null ||
    fail "openssl could not make a key"

start_devices
play refused -e "{\"trusted_keys\": [\"$work/release-pub.pem\"]}"
check refused
play dry --check --diff
check dry
# The diff of each device: its versions before and after.
[ "$(grep -c '^+BOOTABLE: HV001200$' "$work/dry.out")" -eq $n ] || fail "dry run diff: $(head -40 "$work/dry.out")"
play first
check first
play second
check second
# One fleet task for the site's printers: each visited, none changed.
ANSIBLE_CALLBACK_TREE_DIR="$work/sites" ansible-playbook -i "$work/inventory.ini" \
    "$src/contrib/ansible/playbooks/rollout_sites.yml" \
    -e "halvard_program=$bin/halvard package=$work/release.pkg verify=false jobs=20" \
    >"$work/sites.out" 2>&1 || fail "fleet: $(tail -20 "$work/sites.out")"
check sites
# The inventory report reads every device after the roll-out: the new versions, nothing due.
ansible-playbook -i "$work/inventory.ini" -f 20 "$src/contrib/ansible/playbooks/inventory_report.yml" \
    -e "halvard_program=$bin/halvard package=$work/release.pkg report=$work/report.csv" \
    >"$work/report.out" 2>&1 || fail "inventory report: $(tail -20 "$work/report.out")"
rows=$(grep -c '^"printer[0-9]*","127\.0\.42\.[0-9]*","[A-Z]*","HV00[0-9]*","HV00[0-9]*","no update needed",""$' \
    "$work/report.csv")
[ "$rows" -eq $((n * 2)) ] || fail "inventory report has $rows current rows: $(head -5 "$work/report.csv")"

start_devices --final-status-at 1 --final-status 0x0803
play canary
check canary
echo "ansible: all checks passed"
