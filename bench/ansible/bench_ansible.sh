#!/bin/sh
# Scale of the Ansible collection: 200 simulated printers (zepdevsim on 127.0.90.x .. 127.0.93.x,
# four sites of 50, each taking a realistic time to write) updated three ways, each timed and its
# process tree's peak memory sampled from /proc:
#   halvard   halvard --jobs 50 over all 200 (the yardstick)
#   rollout   playbooks/rollout.yml (one firmware task per printer, waves 1, 10%, rest), forks 50
#   oneway    the same task per printer in one wave (no canary), forks 50
#   fleet     playbooks/rollout_sites.yml (one fleet task per site, --jobs 13 each), forks 50
# The simulators never restart, so every run finds every printer due. Not run by the test command.
# Usage: bench_ansible.sh SOURCE_DIR BIN_DIR [STEP...]   (steps default: halvard rollout oneway fleet)
set -u
src=$1
bin=$2
shift 2
steps=${*:-halvard rollout oneway fleet}
n=200
sites=4
jobs=50
work=$(mktemp -d /tmp/halvard-bench-ansible.XXXXXX)
pids=""
cleanup() {
    [ -z "$pids" ] || kill $pids 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
    echo "FAIL: $*"
    exit 1
}
ulimit -n "$(ulimit -H -n)" 2>/dev/null

address() { echo "127.0.$((90 + $1 / 50)).$((2 + $1 % 50))"; }

mkdir -p "$work/collections/ansible_collections/torvi"
ln -s "$src/contrib/ansible" "$work/collections/ansible_collections/torvi/halvard"
export ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_LOCAL_TEMP="$work/tmp"
export ANSIBLE_HOME="$work/home" ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=False

head -c 20000 /dev/urandom >"$work/boot.bin"
head -c 9000 /dev/urandom >"$work/lang.bin"
sed 's/hv2000_boot.bin/boot.bin/; s/hv2000_lang.bin/lang.bin/' "$src/examples/ZEPINFO.txt" >"$work/ZEPINFO.txt"
"$bin/zepbind" create -o "$work/release.pkg" --info "$work/ZEPINFO.txt" "$work/boot.bin" \
    "$work/lang.bin" >/dev/null || fail "zepbind"

{
    i=0
    while [ $i -lt $n ]; do
        [ $((i % 50)) -eq 0 ] && echo "[site$((i / 50))]"
        echo "printer$i printer_address=$(address $i)"
        i=$((i + 1))
    done
    echo "[printers:children]"
    s=0
    while [ $s -lt $sites ]; do echo "site$s"; s=$((s + 1)); done
    # Each site's host is this machine under a name of its own.
    echo "[sites]"
    s=0
    while [ $s -lt $sites ]; do echo "host$s"; s=$((s + 1)); done
    s=0
    while [ $s -lt $sites ]; do printf '[site%d:vars]\nsite_host=host%d\n' $s $s; s=$((s + 1)); done
    echo "[all:vars]"
    echo "ansible_connection=local"
    echo "ansible_python_interpreter=/usr/bin/python3"
} >"$work/inventory.ini"
i=0
while [ $i -lt $n ]; do address $i; i=$((i + 1)); done >"$work/targets.txt"

# Every image's last packet is answered after 1 s (erasing and verifying flash), every block after
# 20 ms: with halvard's own pauses one printer takes about 18 s.
i=0
while [ $i -lt $n ]; do
    "$bin/zepdevsim" --target-info "$src/examples/TargetInfo.txt" --host "$(address $i)" \
        --write-steps 0 --block-delay-ms 20 --verdict-delay-ms 1000 --jitter-ms 50 --seed $i \
        --log "$work/log$i" >/dev/null 2>&1 &
    pids="$pids $!"
    i=$((i + 1))
done
i=0
while [ $i -lt $n ]; do
    t=0
    until [ -s "$work/log$i" ] || [ $t -ge 200 ]; do sleep 0.05; t=$((t + 1)); done
    [ -s "$work/log$i" ] || fail "simulator $i did not start (is $(address $i) taken?)"
    i=$((i + 1))
done

# measure NAME COMMAND...: wall time and the peak resident memory of the command's process tree
# (sum over its processes, sampled every 200 ms), and the images the simulators accepted.
measure() {
    name=$1
    shift
    before=$(cat "$work"/log* | grep -c '"event":"image"')
    start=$(date +%s%N)
    "$@" >"$work/$name.out" 2>&1 &
    /usr/bin/python3 "$src/bench/ansible/tree_memory.py" $! >"$work/$name.mem"
    wait $!
    rc=$?
    ms=$((($(date +%s%N) - start) / 1000000))
    images=$(($(cat "$work"/log* | grep -c '"event":"image"') - before))
    echo "$name: exit $rc, $ms ms, $(cat "$work/$name.mem"), $images images accepted"
    eval "ms_$name=$ms"
}

play() {
    playbook=$1
    shift
    ansible-playbook -i "$work/inventory.ini" -f $jobs "$src/contrib/ansible/playbooks/$playbook" \
        -e "halvard_program=$bin/halvard package=$work/release.pkg verify=false retries=0" "$@"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for step in $steps; do
    case $step in
    halvard) measure halvard "$bin/halvard" --package "$work/release.pkg" --targets "$work/targets.txt" \
        --jobs $jobs --json ;;
    rollout) measure rollout play rollout.yml ;;
    oneway) measure oneway play rollout.yml -e '{"waves": ["100%"]}' ;;
    fleet) measure fleet play rollout_sites.yml -e "jobs=$((jobs / sites + 1))" ;;
    *) fail "unknown step $step" ;;
    esac
    tail -3 "$work/$step.out" | cut -c1-160 | sed "s/^/    /"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -n "${ms_halvard:-}" ]; then
    for step in rollout oneway fleet; do
        eval "ms=\${ms_$step:-}"
        [ -z "$ms" ] || echo "$step / halvard: $(awk "BEGIN { printf \"%.2f\", $ms / $ms_halvard }")"
    done
fi
