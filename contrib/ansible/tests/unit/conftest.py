# Makes the collection importable as ansible_collections.torvi.halvard from its source tree, the
# way ansible-test lays it out, so that the unit tests run from a plain checkout.
from __future__ import (absolute_import, division, print_function)

import atexit
import json
import os
import shutil
import sys
import tempfile

import pytest

__metaclass__ = type

_ROOT = tempfile.mkdtemp(prefix="halvard-collection-")
atexit.register(shutil.rmtree, _ROOT, True)
os.makedirs(os.path.join(_ROOT, "ansible_collections", "torvi"))
os.symlink(os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")),
           os.path.join(_ROOT, "ansible_collections", "torvi", "halvard"))
sys.path.insert(0, _ROOT)


class Ended(Exception):
    """A module's exit_json or fail_json, with its result."""

    def __init__(self, result):
        super(Ended, self).__init__(result)
        self.result = result


class FakeHalvard(object):
    """The stand-in program, its scenario and the arguments of each of its runs."""

    def __init__(self, folder, monkeypatch):
        self.program = os.path.join(folder, "halvard")
        self._scenario = os.path.join(folder, "scenario.json")
        self._calls = os.path.join(folder, "calls")
        source = os.path.join(os.path.dirname(__file__), "plugins", "modules", "fake_halvard.py")
        with open(source) as f, open(self.program, "w") as out:
            out.write("#!%s\n%s" % (sys.executable, f.read()))
        os.chmod(self.program, 0o755)
        monkeypatch.setenv("FAKE_HALVARD", self._scenario)
        monkeypatch.setenv("FAKE_HALVARD_CALLS", self._calls)

    def plays(self, **scenario):
        with open(self._scenario, "w") as f:
            json.dump(scenario, f)
        return self

    def calls(self):
        if not os.path.exists(self._calls):
            return []
        with open(self._calls) as f:
            return [json.loads(line) for line in f]


@pytest.fixture
def halvard(tmp_path, monkeypatch):
    return FakeHalvard(str(tmp_path), monkeypatch)


@pytest.fixture
def run_module(monkeypatch, tmp_path):
    """Runs a module's main() with the given options; returns its result (failed set on a
    failure)."""
    from ansible.module_utils import basic
    from ansible.module_utils.common.text.converters import to_bytes

    def exit_json(self, **result):
        result.setdefault("failed", False)
        raise Ended(result)

    def fail_json(self, **result):
        result["failed"] = True
        raise Ended(result)

    monkeypatch.setattr(basic.AnsibleModule, "exit_json", exit_json)
    monkeypatch.setattr(basic.AnsibleModule, "fail_json", fail_json)

    def run(module, args, check_mode=False, diff=False):
        args = dict(args, _ansible_check_mode=check_mode, _ansible_diff=diff,
                    _ansible_tmpdir=str(tmp_path))
        monkeypatch.setattr(basic, "_ANSIBLE_ARGS",
                            to_bytes(json.dumps({"ANSIBLE_MODULE_ARGS": args})))
        try:
            module.main()
        except Ended as ended:
            return ended.result
        raise AssertionError("the module ended without a result")
    return run
