#!/usr/bin/env bash
# packaging/policy/apply-policy with a stand-in tolvanectl on PATH that notes
# its arguments and ends with the status it is given: which policy it applies,
# to which node, and that no policy runs nothing.
set -u
script=${1:?usage: $0 APPLY_POLICY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/policy"
cat > "$work/bin/tolvanectl" <<'STANDIN'
#!/bin/sh
echo "$*" > "$CALLED"
exit "$STATUS"
STANDIN
chmod +x "$work/bin/tolvanectl"
export PATH=$work/bin:$PATH TOLVANE_POLICY_DIR=$work/policy CALLED=$work/called
failures=0

# expect NAME STATUS_GIVEN STATUS_WANTED CALL_WANTED (empty: not called)
expect() {
  rm -f "$CALLED"
  STATUS=$2 "$script" hidraw3 > "$work/out" 2>&1
  local status=$? call
  call=$(cat "$CALLED" 2>/dev/null || true)
  if [ "$status" != "$3" ] || [ "$call" != "$4" ]; then
    echo "FAIL $1: status $status (wanted $3), called '$call' (wanted '$4'): $(cat "$work/out")"
    failures=$((failures + 1))
  else
    echo "PASS $1"
  fi
}

expect "no policy" 0 0 ""
: > "$work/policy/policy.txt"
expect "template policy, changed" 5 5 "--wait 120 --sensor /dev/hidraw3 apply --diff $work/policy/policy.txt"
expect "template policy, failed" 1 1 "--wait 120 --sensor /dev/hidraw3 apply --diff $work/policy/policy.txt"
: > "$work/policy/policy.json"
expect "two policies" 0 1 ""
rm "$work/policy/policy.txt"
expect "JSON policy" 0 0 "--wait 120 --sensor /dev/hidraw3 apply --diff $work/policy/policy.json"
exit $((failures > 0))
