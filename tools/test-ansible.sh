#!/usr/bin/env bash
# The tolvane_sensor Ansible module of packaging/ansible run by Debian's
# ansible-core (installed when missing) on a playbook against localhost, with
# tolvanectl's virtual sensors keeping their memory between tasks.
# Usage: tools/test-ansible.sh [BUILD_DIR]  (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
tolvanectl=$build/cli/tolvanectl
[[ -x $tolvanectl ]] || { echo "no $tolvanectl: build the tolvanectl target first" >&2; exit 1; }

if ! command -v ansible-playbook >/dev/null; then
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get install -y --no-install-recommends ansible-core
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ANSIBLE_LIBRARY=$root/packaging/ansible/modules
export ANSIBLE_ACTION_PLUGINS=$root/packaging/ansible/action
export ANSIBLE_LOCAL_TEMP=$work/ansible-local
export ANSIBLE_NOCOLOR=1
ansible-playbook -i localhost, -e ansible_python_interpreter=/usr/bin/python3 \
  -e "tolvanectl=$tolvanectl" -e "state=$work/sensors.json" -e "work=$work" \
  "$root/tests/ansible/tolvane_sensor.yml"
echo "Ansible module checks passed"
