# The firmware module against a stand-in halvard: argument errors, check mode, when a run counts
# as changed, failures with the device's result, the module's own time limit (a stop, the grace
# for the device's write, then a kill) and the diff.
from __future__ import (absolute_import, division, print_function)

import pytest

from ansible_collections.torvi.halvard.plugins.module_utils import halvard as halvard_utils
from ansible_collections.torvi.halvard.plugins.modules import firmware
from halvard_output import (CHECK, ENTERED, NOTHING_DUE, SENDING, TWO_DUE, UNREADABLE, final,
                            progress)

__metaclass__ = type

ADDRESS = {"address": "127.0.0.2"}


@pytest.mark.parametrize("args, error", [
    ({}, "one of the following is required: address, port_name"),
    ({"address": "127.0.0.2", "port_name": "USB001"}, "mutually exclusive"),
    ({"address": "127.0.0.2", "printer": "Office"}, "missing parameter(s) required by 'printer'"),
    ({"address": "127.0.0.2", "retries": 21}, "retries must be 0 to 20"),
    ({"address": "127.0.0.2", "verify_timeout": 60}, "verify_timeout needs verify"),
    ({"address": "127.0.0.2", "timeout": 0}, "timeout must be 1 or more"),
    ({"address": "127.0.0.2", "retries": "many"}, "retries"),
])
def test_argument_errors_fail_before_halvard_runs(halvard, run_module, args, error):
    halvard.plays(check=CHECK, update={})
    r = run_module(firmware, dict(args, halvard=halvard.program))
    assert r["failed"] and error in r["msg"]
    assert halvard.calls() == []


def test_check_mode_sends_nothing(halvard, run_module):
    halvard.plays(check=CHECK, update={"lines": [final(1, 1)]})
    r = run_module(firmware, dict(ADDRESS, halvard=halvard.program), check_mode=True)
    assert r["changed"] and not r["failed"] and r["updated"] == 0
    assert [i["verdict"] for i in r["images"]] == ["send", "no update needed"]
    assert r["model"] == "HV2000"
    assert len(halvard.calls()) == 1 and "--check" in halvard.calls()[0]


@pytest.mark.parametrize("check, update, changed, updated, failed", [
    # Nothing due: no update is begun.
    (NOTHING_DUE, None, False, 0, False),
    # The device confirmed the image.
    (CHECK, {"lines": [ENTERED, SENDING, final(1, 1)]}, True, 1, False),
    # A write error on the image's blocks: sent, not confirmed.
    (CHECK, {"lines": [ENTERED, SENDING, final(-1)], "rc": 1}, True, 0, True),
    # The connection lost once the image was begun.
    (CHECK, {"lines": [ENTERED, progress("CHECKVERSION_STATE"), final(-6)], "rc": 1}, True, 0, True),
    # A stop abandoned the device's write: halvard counts the image it left unconfirmed.
    (CHECK, {"lines": [final(-6, stopped=True, unconfirmed=1)], "rc": 1}, True, 0, True),
    # One of two images confirmed, then a checksum error.
    (TWO_DUE, {"lines": [SENDING, progress("TRANSFER_FIRM", 2, 1), final(-2, 1)], "rc": 1}, True, 1, True),
    # halvard died mid-transfer and printed no result.
    (CHECK, {"lines": [ENTERED, SENDING], "die": True}, True, 0, True),
    # Nobody listening: nothing sent.
    (CHECK, {"lines": [final(-6)], "rc": 1}, False, 0, True),
    # halvard died before download mode, or printed no final object: nothing sent.
    (CHECK, {"lines": [ENTERED], "die": True}, False, 0, True),
    (CHECK, {"lines": ["not JSON", "{\"final\": tru"], "rc": 0}, False, 0, True),
])
def test_changed_whenever_firmware_was_sent(halvard, run_module, check, update, changed, updated,
                                            failed):
    halvard.plays(check=check, update=update)
    r = run_module(firmware, dict(ADDRESS, halvard=halvard.program))
    assert (r["changed"], r["updated"], r["failed"]) == (changed, updated, failed)
    assert len(halvard.calls()) == (1 if update is None else 2)


@pytest.mark.parametrize("check, update, result, msg", [
    (UNREADABLE, None, -6, "The device could not be read: Could not be read: no answer."),
    (CHECK, {"lines": [SENDING, final(-1)], "rc": 1}, -1, "result -1"),
    (CHECK, {"lines": [SENDING], "stderr": "Segmentation fault", "die": True}, None,
     "halvard gave no result (exit status -9): Segmentation fault"),
])
def test_failure_carries_the_devices_result(halvard, run_module, check, update, result, msg):
    halvard.plays(check=check, update=update)
    r = run_module(firmware, dict(ADDRESS, halvard=halvard.program))
    assert r["failed"] and r["msg"] == msg and r.get("result") == result


STOPPED_IN_WRITE = {"lines": [final(1, 1, stopped=True)], "rc": 1}
ABANDONED = {"lines": [final(-6, stopped=True, unconfirmed=1)], "rc": 1}


@pytest.mark.parametrize("on_stop, grace, killed, updated", [
    # The stop lets halvard see the device's write through; it reports what the device confirmed.
    (STOPPED_IN_WRITE, 100, False, 1),
    (ABANDONED, 100, False, 0),
    # halvard outlasts the grace as well: killed.
    ("ignore", 20, True, 0),
])
def test_time_limit_stops_once_then_kills_after_grace(halvard, run_module, monkeypatch,
                                                      on_stop, grace, killed, updated):
    monkeypatch.setattr(halvard_utils, "SECOND", 0.01)
    halvard.plays(check=CHECK, update={"lines": [ENTERED, SENDING], "hang": True,
                                       "on_stop": on_stop})
    r = run_module(firmware, dict(ADDRESS, halvard=halvard.program, timeout=100, stop_grace=grace))
    assert r["failed"] and r["changed"] and r["updated"] == updated
    assert "time limit of 100 s" in r["msg"]
    assert ("killed 20 s later" in r["msg"]) == killed
    assert r["rc"] == (-9 if killed else 1)


BEFORE = "BOOTABLE: HV001100\nLANGUAGE: HV000300\n"


@pytest.mark.parametrize("check_mode, update, after", [
    (True, None, "BOOTABLE: HV001200\nLANGUAGE: HV000310\n"),
    (False, {"lines": [final(1, 2)]}, "BOOTABLE: HV001200\nLANGUAGE: HV000310\n"),
    (False, {"lines": [SENDING, final(-2, 1)], "rc": 1}, "BOOTABLE: HV001200\nLANGUAGE: HV000300\n"),
])
def test_diff_shows_each_images_version_before_and_after(halvard, run_module, check_mode, update,
                                                         after):
    halvard.plays(check=TWO_DUE, update=update)
    r = run_module(firmware, dict(ADDRESS, halvard=halvard.program), check_mode=check_mode,
                   diff=True)
    assert (r["diff"]["before"], r["diff"]["after"]) == (BEFORE, after)
