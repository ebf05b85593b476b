# -*- coding: utf-8 -*-
# Action plugin of the tolvane_sensor module: reads src on the controller and
# hands its text to the module, which runs on the host.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase

# A template file or settings document is a few kilobytes; tolvanectl refuses
# longer ones, so a longer file is refused here without sending it.
MAX_FILE_BYTES = 64 * 1024


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        args = dict(self._task.args)
        src = args.pop("src", None)
        if src is not None:
            for other in ("content", "settings"):
                if other in args:
                    return dict(result, failed=True, msg="src and %s exclude each other" % other)
            try:
                path = self._find_needle("files", src)
            except AnsibleError as e:
                return dict(result, failed=True, msg=to_text(e))
            with open(path, "rb") as f:
                data = f.read(MAX_FILE_BYTES + 1)
            if len(data) > MAX_FILE_BYTES:
                return dict(result, failed=True, msg="%s: longer than a configuration file can be" % src)
            args["content"] = to_text(data, errors="surrogate_or_strict")
        result.update(self._execute_module(module_name="tolvane_sensor", module_args=args, task_vars=task_vars))
        return result
