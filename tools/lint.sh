#!/usr/bin/env bash
# The house rules a tool can check, over every tracked file: C++ formatted as
# .clang-format says, every shell script clean under shellcheck at warning
# level and the Python of the Ansible module clean under flake8 (.flake8).
# The desktop entry and the AppStream description are validated as installed,
# by tools/check-package.sh.
# Prints each finding and fails when there is any.
#   tools/lint.sh
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

failed=0
check() {
  local what=$1
  shift
  if "$@"; then echo "PASS $what"; else echo "FAIL $what"; failed=1; fi
}

mapfile -t cpp < <(git ls-files '*.cpp' '*.h')
check "clang-format: ${#cpp[@]} C++ files" clang-format --dry-run --Werror "${cpp[@]}"

# Shell scripts by name, and those without one by their first line.
mapfile -t shell < <(git ls-files | while read -r f; do
  case $f in
    *.sh) echo "$f" ;;
    *.*) ;;
    *) head -n 1 "$f" 2>/dev/null | grep -qE '^#!.*\b(ba)?sh\b' && echo "$f" ;;
  esac
done)
check "shellcheck: ${#shell[@]} scripts" shellcheck -S warning "${shell[@]}"
check "shellcheck: the bash completion" shellcheck -S warning -s bash packaging/bash-completion/tolvanectl

# Debian's interpreter, where flake8 is installed, whatever python3 comes first.
mapfile -t python < <(git ls-files '*.py')
check "flake8: ${#python[@]} Python files" /usr/bin/python3 -m flake8 "${python[@]}"

exit "$failed"
