# A stand-in for halvard: prints what the scenario file (FAKE_HALVARD) says for a dry run
# (--check; its --report file too) or an update, and on a stop (SIGTERM) prints and exits as told, or keeps running
# when told to ignore it; it can die (SIGKILL) after its lines. Every run's arguments are appended to the file FAKE_HALVARD_CALLS.
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
    with open(os.environ["FAKE_HALVARD_CALLS"], "a") as f:
        f.write(json.dumps(sys.argv[1:]) + "\n")
    step = scenario["check" if "--check" in sys.argv else "update"]
    if "--report" in sys.argv and "report" in step:
        with open(sys.argv[sys.argv.index("--report") + 1], "w") as f:
            json.dump(step["report"], f)
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
