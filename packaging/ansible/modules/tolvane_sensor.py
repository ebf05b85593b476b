#!/usr/bin/python3
# -*- coding: utf-8 -*-
# Ansible module: makes the presence sensors of a host hold a configuration
# through `tolvanectl apply --json`, whose exit status says whether anything
# changed and whose JSON documents carry the diff and the errors.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: tolvane_sensor
short_description: Make ultrasonic presence sensors hold a configuration
description:
  - Runs C(tolvanectl apply --json) on the host, which writes to a sensor only
    the settings that differ from what it holds, all or none of them, and
    reads them back. A second run with the same configuration changes nothing.
  - Check mode compares only (C(--check)); diff mode shows each differing
    setting with its current and wanted value.
  - The sensor's LUID is never copied.
version_added: "3.90"
options:
  src:
    description:
      - A template file saved by C(tolvanectl save) or the sheet, or a JSON
        document in the layout C(tolvanectl show --json) prints, on the
        controller; it is copied over. Searched for like C(copy)'s C(src)
        (the role's or the playbook's C(files/)).
    type: path
  settings:
    description:
      - The settings by the names C(tolvanectl show) prints, values as
        C(tolvanectl show --json) gives them (numbers, true/false,
        seconds/minutes, key sets as a list of strings). Settings not named
        stay as the sensor holds them.
    type: dict
  sensor:
    description:
      - C(all) for every attached sensor, or one sensor as C(tolvanectl -s)
        takes it, its number in C(tolvanectl list), C(luid:N) or its device
        node.
    type: str
    default: all
  verify:
    description: Read the sensor back after writing and compare.
    type: bool
    default: true
  executable:
    description: The tolvanectl program.
    type: path
    default: tolvanectl
  test_sim_args:
    description:
      - For tests only. Options of tolvanectl's virtual sensors (each starting
        with C(--sim), with their values), put before the command so that the
        module runs without hardware, for example
        C([--sim, --sim-instant, --sim-sensors, "2", --sim-state, /tmp/sensors.json]).
    type: list
    elements: str
    default: []
  content:
    description:
      - Set by the action plugin from C(src); not for playbooks.
    type: str
notes:
  - The action plugin of the same name copies C(src) from the controller.
  - Failures carry tolvanectl's message; C(results) holds its result
    documents, one per sensor.
"""

EXAMPLES = r"""
- name: Every sensor holds the office configuration
  tolvane_sensor:
    src: office.json

- name: The first sensor pings every 300 ms and locks with Win+L
  tolvane_sensor:
    sensor: "1"
    settings:
      ping-rate: 300
      walk-away-keys: ["LGUI+L"]
"""

RETURN = r"""
results:
  description: tolvanectl's result documents (layout 1), one per sensor.
  returned: always
  type: list
  elements: dict
status:
  description: tolvanectl's exit status (0 nothing to change, 5 changed, else a failure).
  returned: always
  type: int
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_bytes

CHANGED = 5


def desired_file(module):
    """The file tolvanectl applies: src as given, or written from content or settings."""
    params = module.params
    if params["src"] and params["content"] is None:
        return params["src"]
    path = os.path.join(module.tmpdir, "desired")
    if params["settings"] is not None:
        data = to_bytes(json.dumps({"layout": 1, "settings": params["settings"]}))
    else:
        data = to_bytes(params["content"], errors="surrogate_or_strict")
    with open(path, "wb") as f:
        f.write(data)
    return path


def command(module, path):
    params = module.params
    for arg in params["test_sim_args"]:
        if arg.startswith("-") and not arg.startswith("--sim"):
            module.fail_json(msg="test_sim_args takes only tolvanectl's --sim options, not %s" % arg)
    cmd = [params["executable"]] + params["test_sim_args"]
    if params["sensor"] != "all":
        cmd += ["--sensor", params["sensor"]]
    cmd += ["apply", "--json"]
    if params["sensor"] == "all":
        cmd.append("--all")
    if module.check_mode:
        cmd.append("--check")
    if module._diff:
        cmd.append("--diff")
    if not params["verify"]:
        cmd.append("--no-verify")
    return cmd + [path]


def documents(module, out, err, rc):
    docs = []
    for line in out.splitlines():
        if not line.strip():
            continue
        try:
            docs.append(json.loads(line))
        except ValueError:
            module.fail_json(msg="tolvanectl printed something that is not JSON", status=rc, stdout=out, stderr=err)
    return docs


def value_text(value):
    if isinstance(value, list):
        return ", ".join(value) if value else "none"
    if isinstance(value, bool):
        return "on" if value else "off"
    return str(value)


def diff_of(docs):
    before, after = [], []
    for doc in docs:
        sensor = doc.get("sensor") or {}
        name = "sensor %s (%s)" % (sensor.get("number"), sensor.get("node"))
        for change in doc.get("diff", []):
            before.append("%s %s: %s\n" % (name, change["setting"], value_text(change["current"])))
            after.append("%s %s: %s\n" % (name, change["setting"], value_text(change["wanted"])))
    return {"before": "".join(before), "after": "".join(after)}


def main():
    module = AnsibleModule(
        argument_spec=dict(
            src=dict(type="path"),
            settings=dict(type="dict"),
            sensor=dict(type="str", default="all"),
            verify=dict(type="bool", default=True),
            executable=dict(type="path", default="tolvanectl"),
            test_sim_args=dict(type="list", elements="str", default=[]),
            content=dict(type="str"),
        ),
        mutually_exclusive=[("src", "settings"), ("content", "settings")],
        required_one_of=[("src", "content", "settings")],
        supports_check_mode=True,
    )
    rc, out, err = module.run_command(command(module, desired_file(module)))
    docs = documents(module, out, err, rc)
    errors = [doc["error"]["message"] for doc in docs if doc.get("error")]
    if rc not in (0, CHANGED) or errors:
        msg = "; ".join(errors) or err.strip() or "tolvanectl ended with status %d" % rc
        module.fail_json(msg=msg, status=rc, results=docs, stderr=err)
    # Not "rc": Ansible takes an rc other than 0 for a failure.
    result = dict(changed=rc == CHANGED, status=rc, results=docs)
    if module._diff:
        result["diff"] = diff_of(docs)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
