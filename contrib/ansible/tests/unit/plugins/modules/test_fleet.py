# The fleet module against a stand-in halvard: argument errors, what reaches halvard, each
# printer's result and changed from its own objects (the summary for printers never begun),
# failures, and check mode.
from __future__ import (absolute_import, division, print_function)

import pytest

from ansible_collections.torvi.halvard.plugins.modules import fleet
from halvard_output import (CHECK, DUE, ENTERED, NOTHING_DUE, SENDING, final, on, progress,
                            summary)

__metaclass__ = type

A, B, C = "127.0.0.2", "127.0.0.3", "127.0.0.4"


@pytest.mark.parametrize("args, error", [
    ({}, "missing required arguments: targets"),
    ({"targets": []}, "targets must name printers"),
    ({"targets": [A, "#" + B]}, "targets must name printers"),
    ({"targets": [A, B + "\n" + C]}, "targets must name printers"),
    ({"targets": [A], "jobs": 0}, "jobs must be 1 to 256"),
    ({"targets": [A], "max_failures": "many"}, "max_failures must be a number"),
    ({"targets": [A], "verify_timeout": 60}, "verify_timeout needs verify"),
])
def test_argument_errors_fail_before_halvard_runs(halvard, run_module, args, error):
    halvard.plays(check=CHECK, update={})
    r = run_module(fleet, dict(args, halvard=halvard.program))
    assert r["failed"] and error in r["msg"]
    assert halvard.calls() == []


def test_one_run_of_halvard_over_every_printer(halvard, run_module):
    halvard.plays(update={"lines": [on(A, final(1, 1)), on(B, final(1, 1)),
                                    summary((A, 1, True, "verified"), (B, 1, True, "verified"))]})
    r = run_module(fleet, {"targets": [A, B], "halvard": halvard.program, "jobs": 8,
                           "verify": True, "retries": 2, "canary": 1, "max_failures": "5%"})
    assert not r["failed"]
    call = halvard.calls()[0]
    assert call[-1] == [A, B]
    assert call[2:-1] == ["--jobs", "8", "--json", "--verify", "--retries", "2", "--canary", "1",
                          "--max-failures", "5%"]
    assert [p["outcome"] for p in r["printers"]] == ["verified", "verified"]


SENT_A = [on(A, ENTERED), on(A, SENDING)]
CHECKING = progress("CHECKVERSION_STATE", image_no=2)


@pytest.mark.parametrize("lines, rc, changed, updated, failed_printers", [
    # A updated, B already current.
    (SENT_A + [on(A, final(1, 2)), on(B, final(-11)), summary((A, 1, True, None), (B, -11, True, None))],
     0, [True, False], 2, []),
    # Nothing due anywhere: each image's version checked, nothing sent, nothing changed.
    ([on(A, ENTERED), on(A, CHECKING), on(A, final(-11)), on(B, CHECKING), on(B, final(-11)),
      summary((A, -11, True, None), (B, -11, True, None))], 0, [False, False], 0, []),
    # A write error on A after its blocks: changed and failed; B updated.
    (SENT_A + [on(A, final(-1)), on(B, SENDING), on(B, final(1, 1)),
               summary((A, -1, False, None), (B, 1, True, None))], 1, [True, True], 1, [A]),
    # The canary A failed before anything was sent; B was never begun.
    ([on(A, final(-6)), summary((A, -6, False, None), (B, None, False, "not begun"))],
     1, [False, False], 0, [A, B]),
    # B came back with the old version: its update counted, its verification failed.
    ([on(A, final(1, 1)), on(B, SENDING), on(B, final(1, 1)),
      summary((A, 1, True, "verified"), (B, 1, False, "old version"))], 1, [True, True], 2, [B]),
])
def test_each_printers_result_and_changed(halvard, run_module, lines, rc, changed, updated,
                                          failed_printers):
    halvard.plays(update={"lines": lines, "rc": rc})
    r = run_module(fleet, {"targets": [A, B], "halvard": halvard.program})
    assert [p["changed"] for p in r["printers"]] == changed
    assert (r["changed"], r["updated"]) == (any(changed), updated)
    assert (r["failed"], r["failed_printers"]) == (bool(failed_printers), failed_printers)
    assert r["package_sha256"] and r["signer"] == "unsigned"
    if failed_printers:
        assert r["msg"].startswith("%d of 2 printer(s) failed" % len(failed_printers))


def test_halvard_dying_without_a_result_fails(halvard, run_module):
    halvard.plays(update={"lines": SENT_A, "stderr": "Segmentation fault", "die": True})
    r = run_module(fleet, {"targets": [A, B], "halvard": halvard.program})
    assert r["failed"] and r["changed"] and r["printers"][0]["changed"]
    assert r["msg"] == "halvard gave no result (exit status -9): Segmentation fault"


def test_check_mode_reads_every_printer_and_sends_nothing(halvard, run_module):
    due, current = CHECK["lines"][0], NOTHING_DUE["lines"][0]
    halvard.plays(check={"lines": [dict(due, device=A), dict(current, device=B)]})
    r = run_module(fleet, {"targets": [A, B], "halvard": halvard.program}, check_mode=True)
    assert not r["failed"] and r["changed"] and r["updated"] == 0
    assert [p["changed"] for p in r["printers"]] == [True, False]
    assert r["printers"][0]["model"] == "HV2000"
    assert r["printers"][0]["images"][0]["verdict"] == DUE["verdict"]
    assert [call[-2] for call in halvard.calls()] == ["--check"]
