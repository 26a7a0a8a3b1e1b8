# Each module's documentation against its code, as the collection sanity checks hold them:
# DOCUMENTATION (with its fragments), EXAMPLES and RETURN load as YAML; every option of the
# argument spec is documented with the same type, default, choices and elements and nothing else
# is; every return value says what it is, when it is returned, its type and a sample.
from __future__ import (absolute_import, division, print_function)

import importlib
import os

import pytest
import yaml

from ansible.module_utils import basic
from ansible_collections.torvi.halvard.plugins.doc_fragments import halvard as fragment

__metaclass__ = type

MODULES = sorted(name[:-3] for name in os.listdir(os.path.join(
    os.path.dirname(__file__), "..", "..", "..", "..", "plugins", "modules")) if name.endswith(".py"))
FRAGMENTS = {"torvi.halvard.halvard": fragment.ModuleDocFragment.DOCUMENTATION,
             "torvi.halvard.halvard.device": fragment.ModuleDocFragment.DEVICE}
COMPARED = ("type", "default", "choices", "elements", "required")


class Spec(Exception):
    pass


def documentation(module):
    doc = yaml.safe_load(module.DOCUMENTATION)
    options = {}
    for name in doc.get("extends_documentation_fragment", []):
        options.update(yaml.safe_load(FRAGMENTS[name])["options"])
    options.update(doc.get("options", {}))
    return doc, options


def argument_spec(module, monkeypatch):
    """The spec main() gives AnsibleModule."""
    def capture(self, argument_spec, **kwargs):
        raise Spec(argument_spec, kwargs)
    monkeypatch.setattr(basic.AnsibleModule, "__init__", capture)
    with pytest.raises(Spec) as spec:
        module.main()
    return spec.value.args


@pytest.mark.parametrize("name", MODULES)
def test_options_documented_as_the_spec_has_them(name, monkeypatch):
    module = importlib.import_module("ansible_collections.torvi.halvard.plugins.modules." + name)
    doc, options = documentation(module)
    spec, kwargs = argument_spec(module, monkeypatch)
    assert doc["module"] == name and doc["short_description"] and doc["description"]
    assert sorted(options) == sorted(spec)
    for option, entry in spec.items():
        documented = options[option]
        assert documented.get("description"), option
        for key in COMPARED:
            expected = entry.get(key, False if key == "required" else None)
            assert documented.get(key, False if key == "required" else None) == expected, (option, key)
        # A name that could be a secret's says whether it is one (no_log true, or false for a
        # list of key files), as the collection sanity checks require; a path or flag is none.
        if (any(word in option for word in ("pass", "secret", "token", "community", "key")) and
                entry.get("type") not in ("path", "bool")):
            assert "no_log" in entry, option
    assert kwargs["supports_check_mode"] == (doc["attributes"]["check_mode"]["support"] == "full")
    assert doc["attributes"]["platform"]["platforms"] == "posix"
    assert doc["attributes"]["diff_mode"]["support"] in ("full", "none")


@pytest.mark.parametrize("name", MODULES)
def test_examples_and_return_values(name):
    module = importlib.import_module("ansible_collections.torvi.halvard.plugins.modules." + name)
    examples = yaml.safe_load(module.EXAMPLES)
    fqcn = "torvi.halvard." + name
    assert isinstance(examples, list) and any(fqcn in task for task in examples)
    for key, value in yaml.safe_load(module.RETURN).items():
        for field in ("description", "returned", "type", "sample"):
            assert field in value, (key, field)
        for sub, subvalue in value.get("contains", {}).items():
            for field in ("description", "returned", "type", "sample"):
                assert field in subvalue, (key, sub, field)
