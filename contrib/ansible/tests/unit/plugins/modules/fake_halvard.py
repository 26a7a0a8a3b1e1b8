# A stand-in for halvard: prints what the scenario file (FAKE_HALVARD) says for a dry run
# (--check), an update or a fleet (--targets: the file's lines are kept with the call), and on a
# stop (SIGTERM) prints and exits as told, or keeps running when told to ignore it; it can die
# (SIGKILL) after its lines. Every run's arguments are appended to the file FAKE_HALVARD_CALLS.
from __future__ import (absolute_import, division, print_function)

import json
import os
import signal
import sys
import time

__metaclass__ = type


def say(lines):
    for line in lines:
        print(line if isinstance(line, str) else json.dumps(line))
    sys.stdout.flush()


def main():
    with open(os.environ["FAKE_HALVARD"]) as f:
        scenario = json.load(f)
    call = sys.argv[1:]
    if "--targets" in call:
        with open(call[call.index("--targets") + 1]) as f:
            call.append(f.read().splitlines())
    with open(os.environ["FAKE_HALVARD_CALLS"], "a") as f:
        f.write(json.dumps(call) + "\n")
    step = scenario["check" if "--check" in sys.argv else "update"]
    on_stop = step.get("on_stop")

    def stop(signum, frame):
        if on_stop == "ignore":
            return
        say(on_stop["lines"])
        sys.exit(on_stop["rc"])

    if on_stop:
        signal.signal(signal.SIGTERM, stop)
    say(step.get("lines", []))
    sys.stderr.write(step.get("stderr", ""))
    if step.get("die"):
        os.kill(os.getpid(), signal.SIGKILL)
    while step.get("hang"):
        time.sleep(0.01)
    sys.exit(step.get("rc", 0))


if __name__ == "__main__":
    main()
