# Options the modules of the collection share: the halvard program, its package and the keys the
# package is held against, the time limits of a run (DOCUMENTATION), and one device (DEVICE).
from __future__ import (absolute_import, division, print_function)

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  halvard:
    description:
      - The halvard program to run. Without it, C(halvard) is looked for on the search path
        (and in C(/usr/local/bin), C(/usr/sbin), C(/sbin)).
    type: path
  package:
    description:
      - Firmware package file. Without it, the package bound to the halvard program is used.
    type: path
  trusted_keys:
    description:
      - Public keys (PEM, ECDSA P-256) on the host running halvard that a package must be signed
        with (halvard C(--trust-key)). The keys in C(/etc/halvard/trusted-keys) there count too.
      - With any key, a package that is unsigned, signed by another key or badly signed is
        refused and the task fails before any device is touched. Without any, the package is
        used unverified (C(signature) says C(not verified)).
    type: list
    elements: path
  allow_unsigned:
    description:
      - Use an unsigned package even though keys are configured (halvard C(--allow-unsigned)).
        A package signed by an unknown key or badly signed is still refused.
    type: bool
    default: false
  timeout:
    description:
      - Seconds the task may take, every run of halvard together. When they are over, halvard
        is asked to stop (one C(SIGTERM)) and the task fails.
    type: int
    default: 3600
  stop_grace:
    description:
      - Seconds halvard is given after that stop before it is killed. A stop that comes while
        the device writes an image lets halvard wait for the device's own end of that write, up
        to the package's C(UPDATETIME); a kill before then would abandon the device mid-write.
        Keep it at least the package's C(UPDATETIME) plus a minute.
    type: int
    default: 660
"""

    DEVICE = r"""
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
"""
