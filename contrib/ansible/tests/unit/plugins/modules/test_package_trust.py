# The package held against trusted keys, in both modules: the options reach halvard on every run,
# a package halvard refuses fails the task before any device is touched (nothing changed), and
# every result names the package and its signer.
from __future__ import (absolute_import, division, print_function)

import pytest

from ansible_collections.torvi.halvard.plugins.modules import firmware, firmware_info, fleet
from halvard_output import CHECK, PACKAGE, REFUSED, final

__metaclass__ = type

KEYS = ["/etc/keys/release.pem", "/etc/keys/second.pem"]
TRUST = ["--trust-key", KEYS[0], "--trust-key", KEYS[1]]
DEVICE = {"address": "127.0.0.2"}
FLEET = {"targets": ["127.0.0.2", "127.0.0.3"]}
REFUSAL = ("halvard refused the package (signature: unsigned, signer: unsigned); no device was "
           "touched: The firmware package is not signed, and a signed one is required "
           "(release.pkg).")


@pytest.mark.parametrize("module, args, check, update, calls", [
    # Refused at the dry run: the update is never begun.
    (firmware, DEVICE, REFUSED, {"lines": [final(1, 1)]}, 1),
    (firmware_info, DEVICE, REFUSED, None, 1),
    # The package changed between the dry run and the update: refused there, nothing sent.
    (firmware, DEVICE, CHECK, REFUSED, 2),
    (fleet, FLEET, None, REFUSED, 1),
])
def test_refused_package_fails_before_any_device(halvard, run_module, module, args, check,
                                                 update, calls):
    halvard.plays(check=check, update=update)
    r = run_module(module, dict(args, halvard=halvard.program, trusted_keys=KEYS))
    assert r["failed"] and not r["changed"] and r["refused"] and r["msg"] == REFUSAL
    assert (r["rc"], r["result"], r["signer"], r["signature"]) == (4, -8, "unsigned", "unsigned")
    assert r["package_sha256"] == PACKAGE["package_sha256"]
    assert len(halvard.calls()) == calls
    assert all(call[:4] == TRUST for call in halvard.calls())


@pytest.mark.parametrize("module, update", [
    (firmware, {"lines": [final(1, 1, signature="unsigned, allowed")]}),
    (firmware_info, None),
])
def test_every_result_names_the_package_and_its_signer(halvard, run_module, module, update):
    halvard.plays(check=CHECK, update=update)
    r = run_module(module, {"address": "127.0.0.2", "halvard": halvard.program,
                            "trusted_keys": KEYS[:1], "allow_unsigned": True})
    assert not r["failed"] and "refused" not in r
    assert (r["package_sha256"], r["signer"]) == (PACKAGE["package_sha256"], "unsigned")
    # The update's own verdict is the one reported: it is that run that sent the package.
    assert r["signature"] == ("not verified" if update is None else "unsigned, allowed")
    assert all(call[:3] == TRUST[:2] + ["--allow-unsigned"] for call in halvard.calls())
