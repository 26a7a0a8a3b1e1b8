# The firmware module against a stand-in halvard: when a run counts as changed, and the module's
# own time limit (a stop, the grace for the device's write, then a kill).
from __future__ import (absolute_import, division, print_function)

import pytest

from ansible_collections.torvi.halvard.plugins.modules import firmware

__metaclass__ = type


def image(kind, installed, packaged, verdict):
    return {"type": kind, "file": kind.lower() + ".bin", "device_version": installed,
            "package_version": packaged, "verdict": verdict, "result": 1}


CHECK = {"lines": [{"device": "127.0.0.2", "final": True, "check": True, "read": True, "result": 1,
                    "model": "HV2000",
                    "images": [image("BOOTABLE", "HV001100", "HV001200", "send"),
                               image("LANGUAGE", "HV000310", "HV000310", "no update needed")],
                    "message": "1 send, 1 no update needed."}]}


def progress(state, image_no=1, updated=0, result=0):
    return {"state": state, "file": "boot.bin", "current": 100, "max": 200, "image": image_no,
            "updated": updated, "result": result, "status": "", "percent": 10}


def final(result, updated=0, stopped=False, **more):
    return dict({"final": True, "result": result, "updated": updated, "stopped": stopped,
                 "message": "result %d" % result}, **more)


ENTERED = progress("DOWNLOADMODE_STATE", image_no=0)
SENDING = progress("TRANSFER_FIRM")
ARGS = {"address": "127.0.0.2"}


@pytest.mark.parametrize("update, changed, updated, failed", [
    # The device confirmed the image.
    ({"lines": [ENTERED, SENDING, final(1, 1)]}, True, 1, False),
    # A write error on the image's blocks: sent, not confirmed.
    ({"lines": [ENTERED, SENDING, final(-1)], "rc": 1}, True, 0, True),
    # The connection lost once the image was begun.
    ({"lines": [ENTERED, progress("CHECKVERSION_STATE"), final(-6)], "rc": 1}, True, 0, True),
    # A stop abandoned the device's write: halvard counts the image it left unconfirmed.
    ({"lines": [final(-6, stopped=True, unconfirmed=1)], "rc": 1}, True, 0, True),
    # halvard died mid-transfer and printed no result.
    ({"lines": [ENTERED, SENDING], "die": True}, True, 0, True),
    # Nobody listening: nothing sent.
    ({"lines": [final(-6)], "rc": 1}, False, 0, True),
    # Busy before download mode, then halvard died: nothing sent.
    ({"lines": [ENTERED], "die": True}, False, 0, True),
])
def test_changed_whenever_firmware_was_sent(halvard, run_module, update, changed, updated, failed):
    halvard.plays(check=CHECK, update=update)
    r = run_module(firmware, dict(ARGS, halvard=halvard.program))
    assert (r["changed"], r["updated"], r["failed"]) == (changed, updated, failed)


STOPPED_IN_WRITE = {"lines": [final(1, 1, stopped=True)], "rc": 1}
ABANDONED = {"lines": [final(-6, stopped=True, unconfirmed=1)], "rc": 1}


@pytest.mark.parametrize("on_stop, grace, killed, changed", [
    # The stop lets halvard see the device's write through; it reports what the device confirmed.
    (STOPPED_IN_WRITE, 100, False, True),
    (ABANDONED, 100, False, True),
    # halvard outlasts the grace as well: killed.
    ("ignore", 20, True, True),
])
def test_time_limit_stops_once_then_kills_after_grace(halvard, run_module, monkeypatch,
                                                      on_stop, grace, killed, changed):
    monkeypatch.setattr(firmware, "SECOND", 0.01)
    halvard.plays(check=CHECK, update={"lines": [ENTERED, SENDING], "hang": True,
                                       "on_stop": on_stop})
    r = run_module(firmware, dict(ARGS, halvard=halvard.program, timeout=100, stop_grace=grace))
    assert r["failed"] and r["changed"] == changed
    assert "time limit of 100 s" in r["msg"]
    assert ("killed" in r["msg"]) == killed
    assert r["rc"] == (-9 if killed else 1)
