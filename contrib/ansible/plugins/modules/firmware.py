#!/usr/bin/python
# Updates the firmware of one printer through the console updater halvard, on the host that can
# reach it: a dry run first tells what the device holds, and firmware is sent only when an image
# needs it, so a second run changes nothing.
from __future__ import (absolute_import, division, print_function)

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
  - With I(trusted_keys) (or keys in C(/etc/halvard/trusted-keys) on the host running halvard)
    a package that is unsigned, signed by another key or badly signed is refused and the task
    fails before any device is touched.
extends_documentation_fragment:
  - torvi.halvard.halvard.device
  - torvi.halvard.halvard
options:
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
attributes:
  check_mode:
    description: Can run in check mode and return changed status prediction without modifying target.
    support: full
    details: Only the dry run is made; no firmware is sent.
  diff_mode:
    description: Will return details on what has changed (or possibly needs changing in check_mode), when in diff mode.
    support: full
    details: Each image's version before and after (in check mode, after an update).
  platform:
    description: Target OS/families that can be operated against.
    support: full
    platforms: posix
author:
  - Halvard developers
notes:
  - Exit status and messages are halvard's; the task fails with the device's result code and
    message when the update fails.
seealso:
  - module: torvi.halvard.firmware_info
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
  diff: true

- name: A USB printer behind a print queue
  torvi.halvard.firmware:
    port_name: USB001
    printer: Office HV-2000
"""

RETURN = r"""
device:
  description: The device as named to halvard.
  returned: always
  type: str
  sample: 10.1.2.21
model:
  description: The model the device reports (its TGMNAME).
  returned: when the device was read
  type: str
  sample: HV2000
images:
  description: Every image of the package with the device's version before the run and the
    verdict of the dry run (send, skip, no update needed, refuse).
  returned: when the device was read
  type: list
  elements: dict
  sample:
    - type: BOOTABLE
      file: hv2000_boot.bin
      installed: HV001100
      packaged: HV001200
      verdict: send
  contains:
    type:
      description: Firmware type.
      returned: always
      type: str
      sample: BOOTABLE
    file:
      description: Image file in the package.
      returned: always
      type: str
      sample: hv2000_boot.bin
    installed:
      description: Version the device reported before the run; empty when it has none.
      returned: always
      type: str
      sample: HV001100
    packaged:
      description: Version in the package.
      returned: always
      type: str
      sample: HV001200
    verdict:
      description: What the dry run decided for this image.
      returned: always
      type: str
      sample: send
updated:
  description: Number of images the device confirmed.
  returned: always
  type: int
  sample: 2
verified:
  description: What the device said after it came back, when I(verify) was set (verified, old
    version, not back, did not restart, or failed when the update itself failed).
  returned: when verify was set and firmware was sent
  type: str
  sample: verified
result:
  description: halvard's result code (1 updated, -11 nothing to update, negative a failure).
  returned: when halvard gave a result
  type: int
  sample: 1
message:
  description: halvard's final message.
  returned: when halvard gave a result
  type: str
  sample: Firmware update is complete. The device will restart automatically.
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
"""

from ansible_collections.torvi.halvard.plugins.module_utils.halvard import (  # noqa: E402
    COMMON_RULES, Halvard, check_ranges, common_argument_spec, final_object, firmware_sent, number,
    package_identity)
from ansible.module_utils.basic import AnsibleModule  # noqa: E402


def argument_spec():
    spec = common_argument_spec()
    spec.update(
        verify=dict(type="bool", default=False),
        verify_timeout=dict(type="int"),
        retries=dict(type="int", default=0),
    )
    return spec


def versions(images, confirmed):
    """Each image's version, one a line; the first `confirmed` images due are the package's."""
    lines = []
    for image in images:
        version = image["installed"]
        if image["verdict"] == "send" and confirmed > 0:
            version = image["packaged"]
            confirmed -= 1
        lines.append("%s: %s\n" % (image["type"], version or "none"))
    return "".join(lines)


def main():
    module = AnsibleModule(argument_spec=argument_spec(), supports_check_mode=True, **COMMON_RULES)
    p = module.params
    check_ranges(module, retries=(0, 20), verify_timeout=(1, 86400))
    if p["verify_timeout"] is not None and not p["verify"]:
        module.fail_json(msg="verify_timeout needs verify")
    result = dict(changed=False, device=p["address"] or p["port_name"], updated=0)
    halvard = Halvard(module)
    images = halvard.read_device(result)
    due = [i for i in images if i["verdict"] == "send"]

    def diff(confirmed):
        if module._diff:  # pylint: disable=protected-access  # Ansible's own way to the diff flag
            result["diff"] = dict(before=versions(images, 0), after=versions(images, confirmed),
                                  before_header=result["device"], after_header=result["device"])

    if any(i["verdict"] == "refuse" for i in images):
        module.fail_json(msg="The device refuses the package: " + result["message"], **result)
    if not due:
        result.update(result=-11, message="No image needs an update.")
        module.exit_json(**result)
    if module.check_mode:
        result.update(changed=True)
        diff(len(due))
        module.exit_json(**result)

    extra = []
    if p["verify"]:
        extra.append("--verify")
        if p["verify_timeout"] is not None:
            extra += ["--verify-timeout", str(p["verify_timeout"])]
    if p["retries"]:
        extra += ["--retries", str(p["retries"])]
    result.pop("result")
    result.pop("message")
    rc, objects, err, limit = halvard.run(halvard.command(*extra))
    final = final_object(objects)
    # Changed whenever firmware went to the device, whatever followed.
    result["changed"] = firmware_sent(objects)
    package_identity(result, final)
    if final is not None:
        result.update(updated=number(final, "updated"), result=final.get("result"),
                      message=final.get("message", ""))
        if p["verify"] and "outcome" in final:
            result["verified"] = final["outcome"]
    diff(result["updated"])
    if limit.stopped:
        module.fail_json(msg=halvard.limit_text(limit), rc=rc, **result)
    # The package may have changed since the dry run; halvard holds it to the keys again.
    halvard.fail_refused(rc, final, result)
    if final is None:
        module.fail_json(msg="halvard gave no result (exit status %d): %s" % (rc, err),
                         rc=rc, **result)
    if rc != 0:
        module.fail_json(msg=result["message"] or "The update failed.", rc=rc, **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
