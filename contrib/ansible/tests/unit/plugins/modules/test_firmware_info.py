# The read-only module: what it returns, that it never changes anything, and an unreadable
# device.
from __future__ import (absolute_import, division, print_function)

import pytest

from ansible_collections.torvi.halvard.plugins.modules import firmware_info
from halvard_output import CHECK, UNREADABLE

__metaclass__ = type


@pytest.mark.parametrize("check_mode", [False, True])
def test_reads_model_and_every_image(halvard, run_module, check_mode):
    halvard.plays(check=CHECK)
    r = run_module(firmware_info, {"address": "127.0.0.2", "halvard": halvard.program},
                   check_mode=check_mode)
    assert not r["changed"] and not r["failed"] and r["model"] == "HV2000"
    assert r["images"][0] == {"type": "BOOTABLE", "file": "bootable.bin", "installed": "HV001100",
                              "packaged": "HV001200", "verdict": "send"}
    assert [c[-2:] for c in halvard.calls()] == [["--json", "--check"]]


def test_unreadable_device_fails_with_its_result(halvard, run_module):
    halvard.plays(check=UNREADABLE)
    r = run_module(firmware_info, {"address": "127.0.0.2", "halvard": halvard.program})
    assert r["failed"] and not r["changed"] and r["result"] == -6 and "no answer" in r["msg"]


def test_program_not_found(run_module, monkeypatch):
    monkeypatch.setenv("PATH", "/nonexistent")
    r = run_module(firmware_info, {"address": "127.0.0.2"})
    assert r["failed"] and "halvard" in r["msg"]
