# Judges one roll-out from each host's result (the tree callback's files) and the simulators'
# own logs.
# Usage: check_play.py WORK_DIR DEVICES refused|dry|first|second|sites|canary
import json
import os
import sys

work, devices, phase = sys.argv[1], int(sys.argv[2]), sys.argv[3]


def results():
    """Per host, the result of its firmware task; a host that never ran has none."""
    out = {}
    folder = os.path.join(work, phase)
    for host in os.listdir(folder) if os.path.isdir(folder) else []:
        with open(os.path.join(folder, host)) as f:
            out[host] = json.load(f)
    return out


def log(i):
    with open("%s/log%d" % (work, i)) as f:
        return [json.loads(line) for line in f if line.strip()]


def count(lines, cmd):
    return sum(1 for line in lines if line.get("cmd") == cmd)


problems = []
res = results()
if phase == "sites":
    site = res.get("localhost", {})
    printers = site.get("printers", [])
    if site.get("changed") or site.get("msg") or len(printers) != devices:
        problems.append("the fleet task should find every printer current: %s" % str(site)[:400])
    problems += ["%s: %s" % (p.get("device"), p.get("message")) for p in printers
                 if p.get("result") != -11 or p.get("changed")]
    devices = 0
for i in range(devices):
    host = "printer%d" % i
    r = res.get(host)
    lines = log(i)
    images = {line["file"] for line in lines if line.get("event") == "image"}
    if phase == "refused":
        # The canary's task fails on the package; no device, the canary's included, is reached.
        if i == 0 and (not r or not r.get("msg") or r.get("changed") or not r.get("refused") or
                       r.get("signer") != "unsigned" or len(r.get("package_sha256", "")) != 64):
            problems.append("%s: the unsigned package should be refused: %s" % (host, r))
        if i != 0 and r and not r.get("skipped"):
            problems.append("%s: ran after the package was refused: %s" % (host, r))
        if any(line.get("event") == "connect" for line in lines):
            problems.append("%s: reached although the package was refused" % host)
    elif phase == "dry":
        if not r or r.get("failed") or not r.get("changed"):
            problems.append("%s: dry run should say it would change: %s" % (host, r))
        elif [i["verdict"] for i in r.get("images", [])] != ["send", "send"]:
            problems.append("%s: verdicts %s" % (host, r.get("images")))
        elif r.get("model") != "HV2000":
            problems.append("%s: model %s" % (host, r.get("model")))
        if count(lines, "SendFile"):
            problems.append("%s: check mode sent firmware" % host)
    elif phase == "first":
        if not r or r.get("failed") or not r.get("changed") or r.get("updated") != 2:
            problems.append("%s: not updated: %s" % (host, r))
        elif (r.get("signer"), r.get("signature")) != ("unsigned", "not verified"):
            problems.append("%s: the package's signer: %s" % (host, r))
        if images != {"BOOTABLE", "LANGUAGE"}:
            problems.append("%s: device accepted %s" % (host, sorted(images)))
    elif phase == "second":
        if not r or r.get("failed") or r.get("changed"):
            problems.append("%s: second run should change nothing: %s" % (host, r))
        elif {i["installed"] for i in r.get("images", [])} != {"HV001200", "HV000310"}:
            problems.append("%s: installed %s" % (host, r.get("images")))
    elif phase == "canary":
        if i == 0:
            # Its image was sent and refused: changed, nothing confirmed.
            if (not r or r.get("result") != -1 or not r.get("msg") or not r.get("changed") or
                    r.get("updated") != 0):
                problems.append("%s: the canary's write error should fail it: %s" % (host, r))
        else:
            if r and not r.get("skipped"):
                problems.append("%s: ran after the canary failed: %s" % (host, r))
            if count(lines, "EnterDownload"):
                problems.append("%s: a later wave entered download mode" % host)
if problems:
    print("\n".join(problems[:10]))
    sys.exit(1)
