#!/usr/bin/python
# Updates many printers of one site with one run of halvard (--targets, --jobs) from the site's
# host: one task per site instead of one per printer, for fleets where the per-printer tasks'
# own cost would outweigh the devices' writing time.
from __future__ import (absolute_import, division, print_function)

__metaclass__ = type

DOCUMENTATION = r"""
---
module: fleet
short_description: Update many printers of a site with one run of halvard
version_added: "1.1.0"
description:
  - Runs C(halvard --targets) once over the given printers, I(jobs) of them at once, and returns
    every printer's result. A printer that already runs every packaged version is left alone
    (halvard's result -11), so a second run changes nothing.
  - Runs on the site's host that reaches the printers (use C(delegate_to) or a local
    connection); nothing is installed on a printer.
  - C(changed) is true when firmware was sent to any printer, even when its update then failed;
    each printer's own C(changed) tells which. The task fails when any printer failed or was not
    begun, with every printer's result.
  - In check mode only the dry run is made (C(halvard --check)); the result tells each printer's
    model and what an update would do with each image.
  - With I(trusted_keys) (or keys in C(/etc/halvard/trusted-keys) on the host running halvard)
    a package that does not verify is refused and the task fails before any printer is touched.
  - Use M(torvi.halvard.firmware) for a roll-out printer by printer (Ansible's waves, one result
    per inventory host); use this module when the printers are many and their updates short, or
    the control node's memory and processes are scarce.
extends_documentation_fragment:
  - torvi.halvard.halvard
options:
  targets:
    description:
      - The printers, each an IPv4 address or a port name, as halvard's C(--targets) file takes
        them. A name may hold no line break and may not begin with C(#).
    type: list
    elements: str
    required: true
  jobs:
    description:
      - Printers updated at once (halvard C(--jobs)), 1 to 256.
    type: int
    default: 4
  verify:
    description:
      - After each update, wait for the printer to come back and check that it runs every
        packaged version.
    type: bool
    default: false
  verify_timeout:
    description:
      - Seconds to wait for a printer to come back when I(verify) is set; halvard's default when
        not given.
    type: int
  retries:
    description:
      - Attempts made again for a printer that could not be begun (busy, fax in progress, not
        answering). Failures after firmware was sent are never retried.
    type: int
    default: 0
  canary:
    description:
      - Update the first I(canary) printers first, and begin no other when one of them fails.
    type: int
    default: 0
  max_failures:
    description:
      - Begin no further printer once this many have failed, a number or a share of the printers
        (C(5%)).
    type: str
attributes:
  check_mode:
    description: Can run in check mode and return changed status prediction without modifying target.
    support: full
    details: Only the dry run is made; no firmware is sent.
  diff_mode:
    description: Will return details on what has changed (or possibly needs changing in check_mode), when in diff mode.
    support: none
  platform:
    description: Target OS/families that can be operated against.
    support: full
    platforms: posix
author:
  - Halvard developers
notes:
  - The time limit (I(timeout)) bounds the whole run over every printer.
seealso:
  - module: torvi.halvard.firmware
  - module: torvi.halvard.firmware_info
"""

EXAMPLES = r"""
- name: Update every printer of the site from its site host, 16 at once
  torvi.halvard.fleet:
    targets:
      - 10.1.2.21
      - 10.1.2.22
      - 10.1.3.21
    package: /srv/firmware/hv2000-1.2.pkg
    trusted_keys:
      - /etc/halvard/release.pem
    jobs: 16
    canary: 1
    max_failures: 5%
  delegate_to: oslo-site.example.invalid
  register: rollout

- name: Printers that were updated
  ansible.builtin.debug:
    msg: "{{ rollout.printers | selectattr('changed') | map(attribute='device') | list }}"
"""

RETURN = r"""
printers:
  description: Every printer's result, in the order of I(targets).
  returned: when halvard read the package
  type: list
  elements: dict
  sample:
    - device: 10.1.2.21
      changed: true
      updated: 2
      result: 1
      message: Firmware update is complete. The device will restart automatically.
  contains:
    device:
      description: The printer as named in I(targets).
      returned: always
      type: str
      sample: 10.1.2.21
    changed:
      description: Whether firmware was sent to this printer.
      returned: always
      type: bool
      sample: true
    updated:
      description: Images this printer confirmed.
      returned: always
      type: int
      sample: 2
    result:
      description: halvard's result code for this printer (1 updated, -11 nothing to update,
        negative a failure); null when it was not begun.
      returned: always
      type: int
      sample: 1
    message:
      description: halvard's message for this printer.
      returned: always
      type: str
      sample: Firmware update is complete. The device will restart automatically.
    outcome:
      description: What halvard's summary says beyond the result (verified, old version, not
        back, did not restart, not begun).
      returned: when halvard gave one
      type: str
      sample: verified
    model:
      description: The model the printer reports.
      returned: in check mode, when the printer was read
      type: str
      sample: HV2000
    images:
      description: Every image with the printer's version and the dry run's verdict, as
        M(torvi.halvard.firmware_info) returns them.
      returned: in check mode
      type: list
      elements: dict
      sample:
        - type: BOOTABLE
          file: hv2000_boot.bin
          installed: HV001100
          packaged: HV001200
          verdict: send
updated:
  description: Images confirmed by all printers together.
  returned: always
  type: int
  sample: 6
failed_printers:
  description: Printers that failed or were not begun.
  returned: always
  type: list
  elements: str
  sample: [10.1.3.21]
package_sha256:
  description: SHA-256 of the package's bytes, as halvard read them (of a program with a bound
    package, the package's part).
  returned: when halvard read the package
  type: str
  sample: 9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08
signer:
  description: Fingerprint (hex) of the key that signed the package, or C(unsigned).
  returned: when halvard read the package
  type: str
  sample: unsigned
signature:
  description: halvard's verdict on the package's signature (signed, not verified, unsigned
    allowed, unsigned, unknown key, bad signature); only the first three let a device be
    touched.
  returned: when halvard read the package
  type: str
  sample: signed
refused:
  description: True when halvard refused the package for its signature; no device was touched.
  returned: when the package was refused
  type: bool
  sample: true
result:
  description: halvard's result code for the refused package (-8).
  returned: when the package was refused
  type: int
  sample: -8
message:
  description: halvard's reason for refusing the package.
  returned: when the package was refused
  type: str
  sample: The firmware package is not signed, and a signed one is required (hv2000.pkg).
"""

import os  # noqa: E402
import re  # noqa: E402

from ansible_collections.torvi.halvard.plugins.module_utils.halvard import (  # noqa: E402
    Halvard, check_ranges, final_object, firmware_sent, number, package_identity,
    program_argument_spec)
from ansible.module_utils.basic import AnsibleModule  # noqa: E402
from ansible.module_utils.common.text.converters import to_bytes  # noqa: E402

MAX_FAILURES = re.compile(r"^[0-9]{1,9}%?$")
NOTHING_TO_UPDATE = -11


def argument_spec():
    spec = program_argument_spec()
    spec.update(
        targets=dict(type="list", elements="str", required=True),
        jobs=dict(type="int", default=4),
        verify=dict(type="bool", default=False),
        verify_timeout=dict(type="int"),
        retries=dict(type="int", default=0),
        canary=dict(type="int", default=0),
        max_failures=dict(type="str"),
    )
    return spec


def bad_target(name):
    return (not name.strip() or name.strip() != name or name.startswith("#") or
            any(ord(c) < 32 for c in name))


def images_of(check):
    return [dict(type=i.get("type"), file=i.get("file"), installed=i.get("device_version"),
                 packaged=i.get("package_version"), verdict=i.get("verdict"))
            for i in check.get("images", []) if isinstance(i, dict)]


def printer_results(targets, objects, check_mode):
    """Each printer's result from its own objects, the summary filling in printers that never
    began (their only word is the summary's)."""
    mine = dict((name, []) for name in targets)
    summary = {}
    for obj in objects:
        if isinstance(obj.get("summary"), list):
            summary = dict((row.get("device"), row) for row in obj["summary"]
                           if isinstance(row, dict))
        elif obj.get("device") in mine:
            mine[obj["device"]].append(obj)
    printers = []
    for name in targets:
        final = final_object(mine[name]) or summary.get(name) or {}
        printer = dict(device=name, result=final.get("result"), message=final.get("message", ""),
                       updated=number(final, "updated"))
        outcome = (summary.get(name) or final).get("outcome")
        if outcome:
            printer["outcome"] = outcome
        if check_mode:
            printer["images"] = images_of(final)
            printer["changed"] = any(i["verdict"] == "send" for i in printer["images"])
            if final.get("model"):
                printer["model"] = final["model"]
            good = final.get("read") is True
        else:
            # Each image's version is checked before any is sent: a printer that needed nothing
            # (-11) went through the checks alone, whatever its progress showed.
            printer["changed"] = final.get("result") != NOTHING_TO_UPDATE and firmware_sent(mine[name])
            # The summary's word when there is one (a fleet of one has none): it holds what
            # verifying found.
            good = summary[name].get("ok") is True if name in summary else final.get("result") in (1, NOTHING_TO_UPDATE)
        printers.append((printer, good))
    return printers


def fleet_command(halvard, module):
    """halvard over the targets (written to a file, as --targets takes them) with the options."""
    p = module.params
    listing = os.path.join(module.tmpdir, "targets.txt")
    with open(listing, "wb") as f:
        f.write(to_bytes("".join(name + "\n" for name in p["targets"])))
    cmd = halvard.base() + ["--targets", listing, "--jobs", str(p["jobs"]), "--json"]
    if module.check_mode:
        return cmd + ["--check"]
    if p["verify"]:
        cmd.append("--verify")
        if p["verify_timeout"] is not None:
            cmd += ["--verify-timeout", str(p["verify_timeout"])]
    for option in ("retries", "canary"):
        if p[option]:
            cmd += ["--" + option, str(p[option])]
    if p["max_failures"] is not None:
        cmd += ["--max-failures", p["max_failures"]]
    return cmd


def check_arguments(module):
    p = module.params
    check_ranges(module, jobs=(1, 256), retries=(0, 20), verify_timeout=(1, 86400),
                 canary=(0, 100000))
    if p["verify_timeout"] is not None and not p["verify"]:
        module.fail_json(msg="verify_timeout needs verify")
    if p["max_failures"] is not None and not MAX_FAILURES.match(p["max_failures"]):
        module.fail_json(msg="max_failures must be a number or a share such as 5%")
    bad = [name for name in p["targets"] if bad_target(name)]
    if not p["targets"] or bad:
        module.fail_json(msg="targets must name printers, one name without line breaks each: %r" % bad)


def main():
    module = AnsibleModule(argument_spec=argument_spec(), supports_check_mode=True)
    check_arguments(module)
    targets = module.params["targets"]
    result = dict(changed=False, updated=0, failed_printers=[])
    halvard = Halvard(module)
    rc, objects, err, limit = halvard.run(fleet_command(halvard, module))

    package = [o for o in objects if "package_sha256" in o]
    package_identity(result, package[-1] if package else None)
    halvard.fail_refused(rc, final_object(objects), result)
    printers = printer_results(targets, objects, module.check_mode)
    result.update(
        printers=[printer for printer, good in printers],
        changed=any(printer["changed"] for printer, good in printers),
        updated=sum(printer["updated"] for printer, good in printers),
        failed_printers=[printer["device"] for printer, good in printers if not good],
    )
    if limit.stopped:
        module.fail_json(msg=halvard.limit_text(limit), rc=rc, **result)
    if not any(printer["result"] is not None or "outcome" in printer for printer, good in printers):
        module.fail_json(msg="halvard gave no result (exit status %d): %s" % (rc, err), rc=rc,
                         **result)
    if rc != 0 or result["failed_printers"]:
        module.fail_json(msg="%d of %d printer(s) failed or were not begun: %s" % (
            len(result["failed_printers"]), len(targets), ", ".join(result["failed_printers"])),
            rc=rc, **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
