# Inventory of the printers on the network: runs halvard --discover --json over the configured
# address ranges and makes one host per printer found, grouped by model and by whether the
# package serves it. SNMP secrets reach halvard through a private file, never its command line.
from __future__ import (absolute_import, division, print_function)

__metaclass__ = type

DOCUMENTATION = r'''
name: printers
short_description: Printers found by SNMP with halvard --discover
version_added: 1.0.0
description:
  - Runs C(halvard --discover --json) over the address ranges and yields one host per printer
    found (an SNMP agent with the Printer MIB). Addresses that are silent and agents that are no
    printers yield nothing.
  - Each host has C(halvard_address), C(halvard_model), C(halvard_serial), C(halvard_name),
    C(halvard_served) (the package serves the model) and C(halvard_update_port_open).
  - Hosts are in the groups C(halvard_printers), C(halvard_served) or C(halvard_not_served), and
    C(halvard_model_<model>) (the model in lower case, other characters than letters and digits
    as C(_)).
  - The host name is the printer's SNMP name (sysName) when it is a plain name and unique, else
    its address.
  - SNMP secrets may be given inline (use Ansible Vault) or from files; they are handed to
    halvard in a file only the user can read, removed when discovery ends.
extends_documentation_fragment:
  - constructed
  - inventory_cache
options:
  plugin:
    description: The name of this plugin.
    required: true
    type: str
    choices: [torvi.halvard.printers]
  ranges:
    description:
      - Addresses, C(FIRST-LAST) ranges or CIDR blocks to ask; at most a /16 in all.
    required: true
    type: list
    elements: str
  halvard:
    description: The halvard program (its path, or a name on the search path).
    type: str
    default: halvard
  package:
    description:
      - Firmware package whose models count as served; default the one bound to halvard.
    type: path
  community:
    description: SNMPv2c community (default C(public)); a secret, keep it in Ansible Vault.
    type: str
  community_file:
    description: File whose first line is the SNMPv2c community.
    type: path
  snmp_user:
    description: SNMPv3 user; with it SNMPv3 is used instead of SNMPv2c.
    type: str
  snmp_auth_protocol:
    description: SNMPv3 authentication protocol.
    type: str
    choices: [MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512]
  snmp_auth_passphrase:
    description: SNMPv3 authentication pass phrase; keep it in Ansible Vault.
    type: str
  snmp_auth_passphrase_file:
    description: File whose first line is the SNMPv3 authentication pass phrase.
    type: path
  snmp_priv_protocol:
    description: SNMPv3 privacy protocol.
    type: str
    choices: [DES, AES, AES-192, AES-256]
  snmp_priv_passphrase:
    description: SNMPv3 privacy pass phrase; keep it in Ansible Vault.
    type: str
  snmp_priv_passphrase_file:
    description: File whose first line is the SNMPv3 privacy pass phrase.
    type: path
  snmp_port:
    description: UDP port of the agents.
    type: int
    default: 161
  snmp_timeout:
    description: Time-out of one SNMP try, in milliseconds.
    type: int
    default: 1000
  snmp_retries:
    description: SNMP tries after the first.
    type: int
    default: 1
  jobs:
    description: Addresses asked at once.
    type: int
    default: 256
  timeout:
    description: Seconds discovery may take before it is given up.
    type: int
    default: 600
'''

EXAMPLES = r'''
# printers.yml: ansible-inventory -i printers.yml --graph
plugin: torvi.halvard.printers
ranges:
  - 10.1.2.0/24
  - 10.1.3.10-10.1.3.60
snmp_user: inventory
snmp_auth_protocol: SHA-256
snmp_auth_passphrase_file: /etc/halvard/snmp-auth
snmp_priv_protocol: AES
snmp_priv_passphrase_file: /etc/halvard/snmp-priv
cache: true
cache_plugin: ansible.builtin.jsonfile
cache_connection: ~/.cache/halvard-printers
cache_timeout: 3600
# What the roll-out playbook expects: its printers, their address and the host that runs halvard.
groups:
  printers: halvard_served
compose:
  printer_address: halvard_address
  site_host: "'localhost'"
'''

import json  # noqa: E402
import os  # noqa: E402
import re  # noqa: E402
import subprocess  # noqa: E402
import tempfile  # noqa: E402

from ansible.errors import AnsibleParserError  # noqa: E402
from ansible.module_utils.common.text.converters import to_native, to_text  # noqa: E402
from ansible.plugins.inventory import BaseInventoryPlugin, Cacheable, Constructable  # noqa: E402

_SECRET_OPTIONS = (
    ("community", "community", "community_file"),
    ("auth", "snmp_auth_passphrase", "snmp_auth_passphrase_file"),
    ("priv", "snmp_priv_passphrase", "snmp_priv_passphrase_file"),
)
_PLAIN_NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9._-]{0,62}$")


def group_name(model):
    return "halvard_model_" + (re.sub(r"[^a-z0-9]", "_", model.lower()) or "unknown")


def read_first_line(path):
    with open(path, "r", encoding="utf-8") as handle:
        return handle.readline().rstrip("\r\n")


def parse_discovery(text):
    """The printers and the summary of halvard's JSON lines."""
    printers, summary = [], None
    for line in text.splitlines():
        if not line.strip():
            continue
        obj = json.loads(line)
        if "summary" in obj:
            summary = obj["summary"]
        elif "address" in obj:
            printers.append(obj)
    if summary is None:
        raise ValueError("halvard gave no summary")
    return printers, summary


def host_names(printers):
    """One inventory name per printer: its SNMP name when plain and unique, else its address."""
    counts = {}
    for printer in printers:
        counts[printer.get("name", "")] = counts.get(printer.get("name", ""), 0) + 1
    names = []
    for printer in printers:
        name = printer.get("name", "")
        names.append(name if _PLAIN_NAME.match(name) and counts[name] == 1 else printer["address"])
    return names


class InventoryModule(BaseInventoryPlugin, Constructable, Cacheable):

    NAME = "torvi.halvard.printers"

    def verify_file(self, path):
        return super().verify_file(path) and path.endswith(("printers.yml", "printers.yaml"))

    def _secrets(self):
        """The secrets file's lines: community=, auth=, priv=."""
        lines = []
        for key, inline, from_file in _SECRET_OPTIONS:
            value = self.get_option(inline)
            if value is None and self.get_option(from_file):
                value = read_first_line(self.get_option(from_file))
            if value is not None:
                value = to_text(value)
                if "\n" in value or "\r" in value:
                    raise AnsibleParserError("the SNMP secret %s spans lines" % inline)
                lines.append("%s=%s\n" % (key, value))
        return lines

    def _command(self, secrets_path):
        cmd = [self.get_option("halvard"), "--discover"] + [to_native(r) for r in self.get_option("ranges")]
        cmd += ["--json", "--snmp-port", str(self.get_option("snmp_port")),
                "--snmp-timeout", str(self.get_option("snmp_timeout")),
                "--snmp-retries", str(self.get_option("snmp_retries")), "--jobs", str(self.get_option("jobs"))]
        if self.get_option("package"):
            cmd += ["--package", self.get_option("package")]
        if self.get_option("snmp_user"):
            cmd += ["--snmp-user", self.get_option("snmp_user")]
            for option, flag in (("snmp_auth_protocol", "--snmp-auth"), ("snmp_priv_protocol", "--snmp-priv")):
                if self.get_option(option):
                    cmd += [flag, self.get_option(option)]
        if secrets_path:
            cmd += ["--snmp-secrets", secrets_path]
        return cmd

    def _discover(self):
        """halvard's answer: the printers found, as dictionaries."""
        secrets = self._secrets()
        secrets_path = None
        try:
            if secrets:
                handle, secrets_path = tempfile.mkstemp(prefix="halvard-snmp-")  # mode 0600
                with os.fdopen(handle, "w", encoding="utf-8") as out:
                    out.writelines(secrets)
            cmd = self._command(secrets_path)
            try:
                done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False,
                                      timeout=self.get_option("timeout"))
            except (OSError, subprocess.TimeoutExpired) as exc:
                raise AnsibleParserError("halvard --discover could not run: %s" % to_native(exc)) from exc
        finally:
            if secrets_path:
                os.unlink(secrets_path)
        stderr = to_text(done.stderr, errors="surrogate_or_strict").strip()
        try:
            printers, summary = parse_discovery(to_text(done.stdout, errors="surrogate_or_strict"))
        except ValueError as exc:
            raise AnsibleParserError("halvard --discover failed (exit %d): %s" % (done.returncode, stderr or to_native(exc))) from exc
        if done.returncode != 0 and not printers:
            raise AnsibleParserError("halvard --discover found no printer (exit %d): %s" % (done.returncode, stderr))
        if done.returncode != 0:
            self.display.warning("halvard --discover: %s" % stderr)
        self.display.vvv("halvard --discover: %d printer(s) in %d address(es)" % (summary["printers"], summary["asked"]))
        return printers

    def _populate(self, printers):
        strict = self.get_option("strict")
        for name, printer in zip(host_names(printers), printers):
            self.inventory.add_host(name)
            variables = {
                "halvard_address": printer["address"],
                "halvard_model": printer.get("model", ""),
                "halvard_serial": printer.get("serial", ""),
                "halvard_name": printer.get("name", ""),
                "halvard_served": bool(printer.get("served")),
                "halvard_update_port_open": bool(printer.get("update_port_open")),
            }
            for key, value in variables.items():
                self.inventory.set_variable(name, key, value)
            for group in ("halvard_printers", "halvard_served" if variables["halvard_served"] else "halvard_not_served",
                          group_name(variables["halvard_model"])):
                self.inventory.add_group(group)
                self.inventory.add_child(group, name)
            self._set_composite_vars(self.get_option("compose"), variables, name, strict=strict)
            self._add_host_to_composed_groups(self.get_option("groups"), variables, name, strict=strict)
            self._add_host_to_keyed_groups(self.get_option("keyed_groups"), variables, name, strict=strict)

    def parse(self, inventory, loader, path, cache=True):
        super().parse(inventory, loader, path, cache)
        self._read_config_data(path)
        cache_key = self.get_cache_key(path)
        use_cache = self.get_option("cache") and cache
        update_cache = self.get_option("cache") and not cache
        printers = None
        if use_cache:
            try:
                printers = self._cache[cache_key]
            except KeyError:
                update_cache = True
        if printers is None:
            printers = self._discover()
        if update_cache:
            self._cache[cache_key] = printers
        self._populate(printers)
