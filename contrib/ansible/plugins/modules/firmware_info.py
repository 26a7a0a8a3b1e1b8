#!/usr/bin/python
# Reads what firmware a printer holds against the package, through halvard's dry run; sends
# nothing, so it is safe in any play and in check mode.
from __future__ import (absolute_import, division, print_function)

__metaclass__ = type

DOCUMENTATION = r"""
---
module: firmware_info
short_description: Read a printer's firmware versions with halvard
version_added: "1.1.0"
description:
  - Reads the device's model and, for every image of the package, the version the device runs,
    the version packaged and what an update would do, with C(halvard --check). No firmware is
    sent and the device is left as it was.
  - With I(trusted_keys) (or keys in C(/etc/halvard/trusted-keys) on the host running halvard)
    a package that does not verify is refused and the task fails before the device is read.
  - Runs on the host that reaches the printer (use C(delegate_to) or a local connection).
extends_documentation_fragment:
  - torvi.halvard.halvard.device
  - torvi.halvard.halvard
attributes:
  check_mode:
    description: Can run in check mode and return changed status prediction without modifying target.
    support: full
    details: Reads the device the same way in check mode.
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
  - The task fails when the device could not be read, with halvard's result code and message.
seealso:
  - module: torvi.halvard.firmware
"""

EXAMPLES = r"""
- name: Read the printer's firmware versions from the site host
  torvi.halvard.firmware_info:
    address: "{{ printer_address }}"
    package: /srv/firmware/hv2000-1.2.pkg
  delegate_to: "{{ site_host }}"
  register: firmware

- name: Images the package would update
  ansible.builtin.debug:
    msg: "{{ firmware.images | selectattr('verdict', 'equalto', 'send') | map(attribute='type') | list }}"
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
  description: Every image of the package with the device's version and the verdict of the dry
    run (send, skip, no update needed, refuse).
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
      description: Version the device reports; empty when it has none.
      returned: always
      type: str
      sample: HV001100
    packaged:
      description: Version in the package.
      returned: always
      type: str
      sample: HV001200
    verdict:
      description: What an update would do with this image.
      returned: always
      type: str
      sample: send
result:
  description: halvard's result code of the dry run (1 read, negative why the device could not be read).
  returned: when halvard gave a result
  type: int
  sample: 1
message:
  description: halvard's summary of the dry run.
  returned: when halvard gave a result
  type: str
  sample: 1 send, 1 no update needed.
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
    COMMON_RULES, Halvard, check_ranges, common_argument_spec)
from ansible.module_utils.basic import AnsibleModule  # noqa: E402


def argument_spec():
    return common_argument_spec()


def main():
    module = AnsibleModule(argument_spec=argument_spec(), supports_check_mode=True, **COMMON_RULES)
    check_ranges(module)
    p = module.params
    result = dict(changed=False, device=p["address"] or p["port_name"])
    Halvard(module).read_device(result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
