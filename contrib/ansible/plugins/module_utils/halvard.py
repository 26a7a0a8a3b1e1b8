# What the modules share: their common options, running halvard under the task's time limit, and
# reading its --json output (one object a line; the last with "final": true is the result).
from __future__ import (absolute_import, division, print_function)

import json
import signal
import threading
import time

__metaclass__ = type

# Seconds in the modules' own unit, so that tests can run the time limit fast.
SECOND = 1.0

# States a progress object shows once an image is on its way to the device.
SENDING_STATES = ("TRANSFER_FIRM", "WRITING_FIRM", "END_FIRM_UPDATE")
# Results that only an image's blocks can give (write error, checksum).
BLOCK_RESULTS = (-1, -2)
# halvard's exit status when it refuses the package for its signature, before any device.
EXIT_REFUSED = 4
# What every final object tells of the package: its SHA-256, its signer and the verdict.
PACKAGE_FIELDS = ("package_sha256", "signer", "signature")


def program_argument_spec():
    """The program, its package and the keys it is held against, and the time limits."""
    return dict(
        halvard=dict(type="path"),
        package=dict(type="path"),
        # Paths of public keys: nothing secret.
        trusted_keys=dict(type="list", elements="path", no_log=False),
        allow_unsigned=dict(type="bool", default=False),
        timeout=dict(type="int", default=3600),
        stop_grace=dict(type="int", default=660),
    )


def common_argument_spec():
    """A module for one device: the device and the program's options."""
    spec = dict(
        address=dict(type="str"),
        port_name=dict(type="str"),
        printer=dict(type="str"),
    )
    spec.update(program_argument_spec())
    return spec


COMMON_RULES = dict(
    required_one_of=[("address", "port_name")],
    mutually_exclusive=[("address", "port_name")],
    required_by={"printer": "port_name"},
)


def check_ranges(module, **ranges):
    """Fails the task when an option given is outside its (lowest, highest) range; the time
    limits' ranges are checked for every module."""
    ranges.update(timeout=(1, None), stop_grace=(0, None))
    for name, (lowest, highest) in sorted(ranges.items()):
        value = module.params[name]
        if value is not None and (value < lowest or (highest is not None and value > highest)):
            module.fail_json(msg="%s must be %s" % (
                name, "%d or more" % lowest if highest is None else "%d to %d" % (lowest, highest)))


class TimeLimit(object):
    """Ends a run of halvard that outlasts the time left: one stop (SIGTERM), which lets halvard
    see a write the device has begun through, then a kill once the grace is over."""

    def __init__(self, seconds, grace):
        self.seconds = max(seconds, 0)
        self.grace = max(grace, 0)
        self.stopped = False
        self.killed = False
        self._done = threading.Event()
        self._thread = None

    def watch(self, process):
        self._thread = threading.Thread(target=self._guard, args=(process,))
        self._thread.daemon = True
        self._thread.start()

    def _guard(self, process):
        if self._done.wait(self.seconds * SECOND) or process.poll() is not None:
            return
        self.stopped = True
        process.send_signal(signal.SIGTERM)
        if self._done.wait(self.grace * SECOND) or process.poll() is not None:
            return
        self.killed = True
        process.kill()

    def end(self):
        self._done.set()
        if self._thread is not None:
            self._thread.join()


def json_lines(text):
    """Every JSON object halvard printed, one a line; other lines are passed over."""
    objects = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("{"):
            try:
                obj = json.loads(line)
            except ValueError:
                continue
            if isinstance(obj, dict):
                objects.append(obj)
    return objects


def final_object(objects):
    for obj in reversed(objects):
        if obj.get("final") is True:
            return obj
    return None


def number(obj, key):
    value = obj.get(key)
    return value if isinstance(value, int) and not isinstance(value, bool) else 0


def firmware_sent(objects):
    """Whether the device may hold firmware of this run: halvard began an image (a progress
    object names one, or shows one on its way), the device confirmed images or was left with
    one unconfirmed, or the result is one only sent blocks give."""
    for obj in objects:
        if "state" in obj and (number(obj, "image") or number(obj, "updated") or
                               obj.get("state") in SENDING_STATES):
            return True
        if obj.get("final") is True and (number(obj, "updated") or number(obj, "unconfirmed") or
                                         obj.get("result") in BLOCK_RESULTS):
            return True
    return False


def package_identity(result, obj):
    """Copies what halvard said of the package (its SHA-256, signer, signature verdict)."""
    if obj is not None:
        result.update((key, obj[key]) for key in PACKAGE_FIELDS if isinstance(obj.get(key), str))


def refusal(rc, final):
    """halvard's reason when it refused the package before touching any device, else None."""
    if rc != EXIT_REFUSED and not (final is not None and final.get("refused") is True):
        return None
    final = final or {}
    return "halvard refused the package (signature: %s, signer: %s); no device was touched: %s" % (
        final.get("signature", "unknown"), final.get("signer", "unknown"),
        final.get("message") or "exit status %d" % rc)


class Halvard(object):
    """Runs of halvard for one task, all within the task's time limit."""

    def __init__(self, module):
        self.module = module
        p = module.params
        self.program = p["halvard"] or module.get_bin_path("halvard", required=True)
        self.deadline = time.monotonic() + p["timeout"] * SECOND

    def base(self):
        """halvard with the package and the trust every run of it is held to."""
        p = self.module.params
        cmd = [self.program]
        if p["package"]:
            cmd += ["--package", p["package"]]
        for key in p["trusted_keys"] or []:
            cmd += ["--trust-key", key]
        if p["allow_unsigned"]:
            cmd.append("--allow-unsigned")
        return cmd

    def command(self, *extra):
        p = self.module.params
        cmd = self.base()
        if p["address"]:
            cmd += ["--address", p["address"]]
        else:
            cmd += ["--port-name", p["port_name"]]
            if p["printer"]:
                cmd += ["--printer", p["printer"]]
        return cmd + ["--json"] + list(extra)

    def run(self, cmd):
        """halvard's exit status, every JSON object it printed, its error text and the time
        limit's doing."""
        limit = TimeLimit((self.deadline - time.monotonic()) / SECOND,
                          self.module.params["stop_grace"])
        try:
            rc, out, err = self.module.run_command(cmd, environ_update={"LC_ALL": "C"},
                                                   before_communicate_callback=limit.watch)
        finally:
            limit.end()
        return rc, json_lines(out), err.strip(), limit

    def limit_text(self, limit):
        p = self.module.params
        text = "The time limit of %d s was reached; halvard was asked to stop" % p["timeout"]
        if limit.killed:
            text += " and killed %d s later" % p["stop_grace"]
        return text + "."

    def fail_refused(self, rc, final, result):
        """Fails the task when halvard refused the package (nothing was sent)."""
        text = refusal(rc, final)
        if text is not None:
            result.update(refused=True)
            if final is not None:
                result.update(result=final.get("result"), message=final.get("message", ""))
            self.module.fail_json(msg=text, rc=rc, **result)

    def read_device(self, result):
        """The dry run: the device's model and every image of the package with the device's
        version and the verdict. Fails the task when the package is refused or the device could
        not be read."""
        rc, objects, err, limit = self.run(self.command("--check"))
        check = final_object(objects)
        package_identity(result, check)
        if limit.stopped:
            self.module.fail_json(msg=self.limit_text(limit), rc=rc, **result)
        if check is not None:
            result.update(result=check.get("result"), message=check.get("message", ""))
        self.fail_refused(rc, check, result)
        if check is None:
            self.module.fail_json(msg="halvard gave no result (exit status %d): %s" % (rc, err),
                                  rc=rc, **result)
        if not check.get("read"):
            self.module.fail_json(msg="The device could not be read: " + result["message"],
                                  rc=rc, **result)
        if check.get("model"):
            result["model"] = check["model"]
        result["images"] = [
            dict(
                type=i.get("type"),
                file=i.get("file"),
                installed=i.get("device_version"),
                packaged=i.get("package_version"),
                verdict=i.get("verdict"),
            )
            for i in check.get("images", []) if isinstance(i, dict)
        ]
        return result["images"]
