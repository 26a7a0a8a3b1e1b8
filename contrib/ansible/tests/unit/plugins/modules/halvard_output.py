# What halvard --json prints, as the stand-in replays it: dry-run results, progress and final
# objects.
from __future__ import (absolute_import, division, print_function)

__metaclass__ = type


def image(kind, installed, packaged, verdict):
    return {"type": kind, "file": kind.lower() + ".bin", "device_version": installed,
            "package_version": packaged, "verdict": verdict, "result": 1}


# What every final object tells of the package.
PACKAGE = {"package_sha256": "9fd5d391" * 8, "signer": "unsigned", "signature": "not verified"}


def check(*images, **more):
    obj = {"device": "127.0.0.2", "final": True, "check": True, "read": True, "model": "HV2000",
           "result": 1, "images": list(images), "message": "%d image(s)." % len(images)}
    obj.update(PACKAGE, **more)
    return {"lines": [obj]}


DUE = image("BOOTABLE", "HV001100", "HV001200", "send")
CURRENT = image("LANGUAGE", "HV000310", "HV000310", "no update needed")
CHECK = check(DUE, CURRENT)
TWO_DUE = check(DUE, image("LANGUAGE", "HV000300", "HV000310", "send"))
NOTHING_DUE = check(CURRENT)
UNREADABLE = {"lines": [dict(PACKAGE, device="127.0.0.2", final=True, check=True, read=False,
                             model="", result=-6, images=[],
                             message="Could not be read: no answer.")],
              "rc": 1}
# halvard with a key refusing an unsigned package, before any device (exit status 4).
REFUSED = {"lines": [{"final": True, "result": -8, "updated": 0, "stopped": False,
                      "message": "The firmware package is not signed, and a signed one is "
                                 "required (release.pkg).",
                      "package_sha256": "9fd5d391" * 8, "signer": "unsigned",
                      "signature": "unsigned", "refused": True}],
           "stderr": "halvard: The firmware package is not signed, and a signed one is required.",
           "rc": 4}


def progress(state, image_no=1, updated=0):
    return {"state": state, "file": "boot.bin", "current": 100, "max": 200, "image": image_no,
            "updated": updated, "result": 0, "status": "", "percent": 10}


def final(result, updated=0, stopped=False, **more):
    obj = {"final": True, "result": result, "updated": updated, "stopped": stopped,
           "message": "result %d" % result}
    obj.update(PACKAGE, **more)
    return obj


ENTERED = progress("DOWNLOADMODE_STATE", image_no=0)
SENDING = progress("TRANSFER_FIRM")


def on(device, obj):
    """An object of one device of a fleet run."""
    return dict(obj, device=device)


def summary(*rows):
    """The fleet's closing object; each row (device, result, ok, outcome)."""
    return dict(PACKAGE, failed=sum(1 for row in rows if not row[2]), summary=[
        dict({"device": d, "result": r, "updated": 0, "stopped": False, "ok": ok, "message": ""},
             **({"outcome": outcome} if outcome else {}))
        for d, r, ok, outcome in rows])
