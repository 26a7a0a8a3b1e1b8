# Options every module of the collection shares: the device, the halvard program and package,
# and the time limits of a run.
from __future__ import (absolute_import, division, print_function)

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
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
      - The halvard program to run. Without it, C(halvard) is looked for on the search path
        (and in C(/usr/local/bin), C(/usr/sbin), C(/sbin)).
    type: path
  package:
    description:
      - Firmware package file. Without it, the package bound to the halvard program is used.
    type: path
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
