# The printers inventory plugin against a stand-in halvard: its documentation holds every option
# the code reads; secrets reach halvard in a private file, never its command line; each printer
# becomes one host with its variables and groups; a failed discovery fails the inventory.
from __future__ import (absolute_import, division, print_function)

import json
import os
import re
import stat
import sys

import pytest
import yaml

from ansible.errors import AnsibleParserError
from ansible.inventory.data import InventoryData
from ansible.parsing.dataloader import DataLoader
from ansible.template import Templar
from ansible.utils.collection_loader._collection_finder import _AnsibleCollectionFinder
from ansible_collections.torvi.halvard.plugins.inventory import printers

__metaclass__ = type

# Importing Ansible's plugin base installs its collection finder, which would take over the
# imports of the other tests (the collection here is on sys.path, not in a collections path).
_AnsibleCollectionFinder._remove()  # pylint: disable=protected-access

FAKE = r'''
import json, os, stat, sys
args = sys.argv[1:]
record = {"args": args}
if "--snmp-secrets" in args:
    path = args[args.index("--snmp-secrets") + 1]
    record["secrets"] = open(path).read()
    record["mode"] = stat.S_IMODE(os.stat(path).st_mode)
with open(os.environ["FAKE_CALLS"], "w") as f:
    json.dump(record, f)
sys.stdout.write(open(os.environ["FAKE_OUTPUT"]).read())
sys.exit(int(os.environ.get("FAKE_RC", "0")))
'''

PRINTERS = [
    {"address": "10.0.0.5", "name": "prn-a", "model": "HV-2000", "serial": "S5", "served": True, "update_port_open": True},
    {"address": "10.0.0.6", "name": "dup", "model": "LX 700", "serial": "S6", "served": False, "update_port_open": False},
    {"address": "10.0.0.7", "name": "dup", "model": "HV-2000", "serial": "S7", "served": True, "update_port_open": True},
]
SUMMARY = {"summary": {"addresses": 254, "asked": 254, "printers": 3, "served": 2, "not_printers": 1,
                       "silent": 250, "refused": 0, "refusal": None, "stopped": False}}


def plugin_with(tmp_path, monkeypatch, options, lines, rc=0):
    fake = tmp_path / "halvard"
    fake.write_text("#!%s\n%s" % (sys.executable, FAKE))
    fake.chmod(0o700)
    (tmp_path / "out").write_text("".join(json.dumps(line) + "\n" for line in lines))
    monkeypatch.setenv("FAKE_OUTPUT", str(tmp_path / "out"))
    monkeypatch.setenv("FAKE_CALLS", str(tmp_path / "calls"))
    monkeypatch.setenv("FAKE_RC", str(rc))
    values = {"halvard": str(fake), "ranges": ["10.0.0.0/24"], "snmp_port": 161, "snmp_timeout": 1000,
              "snmp_retries": 1, "jobs": 256, "timeout": 60, "strict": False, "compose": {}, "groups": {},
              "keyed_groups": []}
    values.update(options)
    plugin = printers.InventoryModule()
    plugin.get_option = lambda name: values.get(name)
    plugin.inventory = InventoryData()
    plugin.templar = Templar(loader=DataLoader())
    return plugin


def test_every_option_read_is_documented():
    doc = yaml.safe_load(printers.DOCUMENTATION)
    yaml.safe_load(printers.EXAMPLES)
    source = open(printers.__file__.replace(".pyc", ".py")).read()
    read = set(re.findall(r'get_option\("([a-z_]+)"\)', source))
    read |= {name for _, inline, from_file in printers._SECRET_OPTIONS for name in (inline, from_file)}
    fragments = {"strict", "compose", "groups", "keyed_groups", "cache"}
    assert read - fragments <= set(doc["options"]), read - set(doc["options"])
    assert doc["name"] == "printers" and {"constructed", "inventory_cache"} <= set(doc["extends_documentation_fragment"])


def test_secrets_go_through_a_private_file(tmp_path, monkeypatch):
    (tmp_path / "priv").write_text("priv-phrase-1\n")
    plugin = plugin_with(tmp_path, monkeypatch, {
        "snmp_user": "inv", "snmp_auth_protocol": "SHA", "snmp_auth_passphrase": "auth-phrase-1",
        "snmp_priv_protocol": "AES", "snmp_priv_passphrase_file": str(tmp_path / "priv")}, PRINTERS + [SUMMARY])
    assert len(plugin._discover()) == 3
    calls = json.load(open(str(tmp_path / "calls")))
    assert "auth-phrase-1" not in " ".join(calls["args"]) and "priv-phrase-1" not in " ".join(calls["args"])
    assert calls["secrets"] == "auth=auth-phrase-1\npriv=priv-phrase-1\n"
    assert calls["mode"] == stat.S_IRUSR | stat.S_IWUSR
    assert not os.path.exists(calls["args"][calls["args"].index("--snmp-secrets") + 1])
    assert calls["args"][:2] == ["--discover", "10.0.0.0/24"]
    assert ["--snmp-user", "inv", "--snmp-auth", "SHA", "--snmp-priv", "AES"] == \
        [a for a in calls["args"] if a in ("--snmp-user", "inv", "--snmp-auth", "SHA", "--snmp-priv", "AES")]


def test_hosts_variables_and_groups(tmp_path, monkeypatch):
    plugin = plugin_with(tmp_path, monkeypatch, {"groups": {"printers": "halvard_served"}}, [])
    plugin._populate(PRINTERS)
    inv = plugin.inventory
    assert sorted(inv.hosts) == ["10.0.0.6", "10.0.0.7", "prn-a"]  # a shared name gives way to the address
    host = inv.get_host("prn-a").get_vars()
    assert (host["halvard_address"], host["halvard_model"], host["halvard_serial"], host["halvard_served"]) == \
        ("10.0.0.5", "HV-2000", "S5", True)
    assert sorted(h.name for h in inv.groups["halvard_served"].get_hosts()) == ["10.0.0.7", "prn-a"]
    assert [h.name for h in inv.groups["halvard_model_lx_700"].get_hosts()] == ["10.0.0.6"]
    assert sorted(h.name for h in inv.groups["printers"].get_hosts()) == ["10.0.0.7", "prn-a"]


@pytest.mark.parametrize("lines,rc,message", [
    ([SUMMARY], 2, "found no printer (exit 2)"),
    ([], 1, "failed (exit 1)"),
])
def test_failed_discovery_fails_the_inventory(tmp_path, monkeypatch, lines, rc, message):
    plugin = plugin_with(tmp_path, monkeypatch, {}, lines, rc)
    with pytest.raises(AnsibleParserError, match=re.escape(message)):
        plugin._discover()
