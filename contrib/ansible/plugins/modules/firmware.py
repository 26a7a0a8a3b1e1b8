#!/usr/bin/python
# Updates the firmware of one printer through the console updater halvard, on the host that can
# reach it: a dry run first tells what the device holds, and firmware is sent only when an image
# needs it, so a second run changes nothing.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: firmware
short_description: Update a printer's firmware with halvard
version_added: "1.0.0"
description:
  - Reads the device's firmware versions with C(halvard --check), and when any image of the
    package is newer than the device's, updates the device with C(halvard) and reports what it
    sent.
  - Runs on the host that reaches the printer (use C(delegate_to) or a local connection); nothing
    is installed on the printer.
  - C(changed) is true whenever firmware was sent to the device, even when the update then failed,
    was stopped or halvard ended without a result; C(updated) tells how many images the device
    confirmed.
  - In check mode only the dry run is made; the result tells what would change.
options:
  address:
    description:
      - IPv4 address of the device. One of I(address) and I(port_name) is required.
    type: str
  port_name:
    description:
      - Port name of the device as the system names it (a USB port, a print port).
    type: str
  printer:
    description:
      - Print queue that uses I(port_name), when the port belongs to one.
    type: str
  halvard:
    description:
      - The halvard program to run; the one on the search path by default.
    type: path
    default: halvard
  package:
    description:
      - Firmware package file. Without it, the package bound to the halvard program is used.
    type: path
  verify:
    description:
      - After the update, wait for the device to come back and check that it runs every
        packaged version.
    type: bool
    default: false
  verify_timeout:
    description:
      - Seconds to wait for the device to come back when I(verify) is set; halvard's default
        when not given.
    type: int
  retries:
    description:
      - Attempts made again when the device could not be begun (busy, fax in progress, not
        answering). Failures after firmware was sent are never retried.
    type: int
    default: 0
  timeout:
    description:
      - Seconds the task may take (the dry run and the update together). When they are over,
        halvard is asked to stop (one C(SIGTERM)); the task fails.
    type: int
    default: 3600
  stop_grace:
    description:
      - Seconds halvard is given after the stop before it is killed. A stop that comes while
        the device writes an image lets halvard wait for the device's own end of that write,
        up to the package's C(UPDATETIME); a kill then would abandon the device mid-write, so
        keep this at least the package's C(UPDATETIME) plus a minute.
    type: int
    default: 660
author:
  - Halvard developers
notes:
  - Exit status and messages are halvard's; the task fails with the device's result code and
    message when the update fails.
"""

EXAMPLES = r"""
- name: Update the printer from the site host
  torvi.halvard.firmware:
    address: "{{ printer_address }}"
    package: /srv/firmware/hv2000-1.2.pkg
    verify: true
    retries: 3
  delegate_to: "{{ site_host }}"

- name: What would change (no firmware is sent)
  torvi.halvard.firmware:
    address: 10.1.2.21
  check_mode: true

- name: A USB printer behind a print queue
  torvi.halvard.firmware:
    port_name: USB001
    printer: Office HV-2000
"""

RETURN = r"""
changed:
  description: Whether firmware was sent to the device (an image was begun), whatever followed.
  returned: always
  type: bool
device:
  description: The device as named to halvard.
  returned: always
  type: str
  sample: 10.1.2.21
model:
  description: The model the package is for.
  returned: when the device was read
  type: str
images:
  description: Every image of the package with the device's version before the run and the
    verdict of the dry run (send, skip, no update needed, refuse).
  returned: when the device was read
  type: list
  elements: dict
  contains:
    type:
      description: Firmware type.
      type: str
      sample: BOOTABLE
    file:
      description: Image file in the package.
      type: str
    installed:
      description: Version the device reported before the run.
      type: str
      sample: HV001100
    packaged:
      description: Version in the package.
      type: str
      sample: HV001200
    verdict:
      description: What the dry run decided for this image.
      type: str
      sample: send
updated:
  description: Number of images the device confirmed.
  returned: always
  type: int
verified:
  description: What the device said after it came back, when I(verify) was set (verified, old
    version, not back, or failed when the update itself failed).
  returned: when verify was set and firmware was sent
  type: str
result:
  description: halvard's result code (1 updated, -11 nothing to update, negative a failure).
  returned: always
  type: int
message:
  description: halvard's final message.
  returned: always
  type: str
"""

import json
import signal
import threading
import time

from ansible.module_utils.basic import AnsibleModule

# Seconds in the module's own unit, so that tests can run the time limit fast.
SECOND = 1.0

# States a progress object shows once an image is on its way to the device.
_SENDING_STATES = ("TRANSFER_FIRM", "WRITING_FIRM", "END_FIRM_UPDATE")
# Results that only an image's blocks or verdicts can give.
_BLOCK_RESULTS = (-1, -2)


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


def _json_lines(text):
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


def _final(objects):
    for obj in reversed(objects):
        if obj.get("final") is True:
            return obj
    return None


def _number(obj, key):
    value = obj.get(key)
    return value if isinstance(value, int) and not isinstance(value, bool) else 0


def firmware_sent(objects):
    """Whether the device may hold firmware of this run: halvard began an image (its progress
    names one, or shows one on its way), the device confirmed or was left with an image, or
    the result is one only sent blocks give."""
    for obj in objects:
        if "state" in obj and (_number(obj, "image") or _number(obj, "updated") or
                               obj.get("state") in _SENDING_STATES):
            return True
        if obj.get("final") is True and (_number(obj, "updated") or _number(obj, "unconfirmed") or
                                         obj.get("result") in _BLOCK_RESULTS):
            return True
    return False


def _base_command(module):
    p = module.params
    cmd = [p["halvard"]]
    if p["package"]:
        cmd += ["--package", p["package"]]
    if p["address"]:
        cmd += ["--address", p["address"]]
    else:
        cmd += ["--port-name", p["port_name"]]
        if p["printer"]:
            cmd += ["--printer", p["printer"]]
    return cmd + ["--json"]


def _run(module, cmd, deadline):
    """halvard's exit status, every JSON object it printed, its error text and the time limit's
    doing."""
    limit = TimeLimit((deadline - time.monotonic()) / SECOND, module.params["stop_grace"])
    try:
        rc, out, err = module.run_command(cmd, environ_update={"LC_ALL": "C"},
                                          before_communicate_callback=limit.watch)
    finally:
        limit.end()
    return rc, _json_lines(out), err, limit


def _limit_text(module, limit):
    text = "The time limit of %d s was reached; halvard was asked to stop" % module.params["timeout"]
    if limit.killed:
        text += " and killed %d s later" % module.params["stop_grace"]
    return text + "."


def main():
    module = AnsibleModule(
        argument_spec=dict(
            address=dict(type="str"),
            port_name=dict(type="str"),
            printer=dict(type="str"),
            halvard=dict(type="path", default="halvard"),
            package=dict(type="path"),
            verify=dict(type="bool", default=False),
            verify_timeout=dict(type="int"),
            retries=dict(type="int", default=0),
            timeout=dict(type="int", default=3600),
            stop_grace=dict(type="int", default=660),
        ),
        required_one_of=[("address", "port_name")],
        mutually_exclusive=[("address", "port_name")],
        supports_check_mode=True,
    )
    p = module.params
    deadline = time.monotonic() + p["timeout"] * SECOND
    device = p["address"] or p["port_name"]
    result = dict(changed=False, device=device, updated=0)

    # The dry run: what the device holds, image by image.
    rc, objects, err, limit = _run(module, _base_command(module) + ["--check"], deadline)
    check = _final(objects)
    if limit.stopped:
        module.fail_json(msg=_limit_text(module, limit), rc=rc, **result)
    if check is None:
        module.fail_json(msg="halvard gave no result: " + err.strip(), rc=rc, **result)
    if not check.get("read"):
        result.update(result=check.get("result"), message=check.get("message", ""))
        module.fail_json(msg="The device could not be read: " + check.get("message", ""), **result)
    images = [
        dict(
            type=i.get("type"),
            file=i.get("file"),
            installed=i.get("device_version"),
            packaged=i.get("package_version"),
            verdict=i.get("verdict"),
        )
        for i in check.get("images", [])
    ]
    result["images"] = images
    if check.get("model"):
        result["model"] = check["model"]
    due = [i for i in images if i["verdict"] == "send"]
    refused = [i for i in images if i["verdict"] == "refuse"]
    if refused:
        result.update(result=check.get("result"), message=check.get("message", ""))
        module.fail_json(msg="The device refuses the package: " + check.get("message", ""), **result)
    if not due:
        result.update(result=-11, message="No image needs an update.")
        module.exit_json(**result)
    if module.check_mode:
        result.update(changed=True, result=1, message=check.get("message", ""))
        module.exit_json(**result)

    cmd = _base_command(module)
    if p["verify"]:
        cmd.append("--verify")
        if p["verify_timeout"] is not None:
            cmd += ["--verify-timeout", str(p["verify_timeout"])]
    if p["retries"]:
        cmd += ["--retries", str(p["retries"])]
    rc, objects, err, limit = _run(module, cmd, deadline)
    final = _final(objects)
    # Changed whenever firmware went to the device, whatever followed.
    result["changed"] = firmware_sent(objects)
    if final is not None:
        result.update(
            updated=_number(final, "updated"),
            result=final.get("result"),
            message=final.get("message", ""),
        )
        if p["verify"] and "outcome" in final:
            result["verified"] = final["outcome"]
    if limit.stopped:
        module.fail_json(msg=_limit_text(module, limit), rc=rc, **result)
    if final is None:
        module.fail_json(msg="halvard gave no result (exit status %d): %s" % (rc, err.strip()),
                         rc=rc, **result)
    if rc != 0:
        module.fail_json(msg=final.get("message", "update failed"), rc=rc, **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
