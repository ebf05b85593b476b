#!/bin/bash
# Runs inside the test VM, chrooted into the host's files (read-only), with
# the result folder $TOLVANE_VM_OUT writable and /run on tmpfs. Reads
# $TOLVANE_VM_OUT/env: BUILD (the project's build folder), SOURCE (its
# source tree), RULES (the
# generated udev rule), VENDOR_A, VENDOR_B and PRODUCT (the sensor's ids as
# the build has them). Every check lands in $OUT/summary as a PASS or FAIL
# line (the check program's own lines are counted from its log); each step
# has a time limit of its own.
#
#   kernel-events  no udev daemon: discovery of two sensors beside a keyboard
#                  and a mouse; the library's work compared with the sim;
#                  hot-plug through the kernel's own events
#   udev           systemd-udevd with the project's rule: hot-plug through
#                  udev's events, unplug in the middle of an exchange; a
#                  sensor refusing the extension sets; a user without and
#                  with access to the sensors' nodes
#   usb            a USB sensor (dummy_hcd and the HID gadget function): the
#                  rule tags its node, the firmware version from bcdDevice
#   programs       tolvane on the emulated sensor, and the command-line
#                  programs in the table at the end (tolvanectl list, show,
#                  set and range among them)
#   at-once        two sensors read by one program at once hear the reports
#                  each hears read alone, and the program prints the same
#   sharing        programs started together on one sensor end with the
#                  sensor, the outputs and the exit codes of the same
#                  programs run one after another
#   policy         the plug-in policy: the rule asks systemd for the policy
#                  service on the USB sensor's node (usb); the service's
#                  command brings a plugged sensor to the policy and, plugged
#                  again, writes nothing; beside the running sheet, the sheet
#                  waits for it and then reads the sensor; without a policy
#                  it does nothing
set -u
. "$TOLVANE_VM_OUT/env"
OUT=$TOLVANE_VM_OUT
export TMPDIR=/run/tmp
mkdir -p "$TMPDIR"
cd /
: > "$OUT/summary"
SENSOR="$BUILD/tests/vm/vm_uhid_sensor"
CHECK="$BUILD/tests/vm/vm_hidraw_check"
NOBODY=(setpriv --reuid=65534 --regid=65534 --clear-groups)

log() { echo "guest: $* (uptime $(cut -d' ' -f1 /proc/uptime))"; }
result() { echo "$1 $2" >> "$OUT/summary"; log "$1 $2"; }

# The hidraw node of the uhid device named $1, within 10 s.
node_named() {
  local i n
  for i in $(seq 100); do
    for n in /sys/class/hidraw/hidraw*; do
      if grep -qxF "HID_NAME=$1" "$n/device/uevent" 2>/dev/null && [ -c "/dev/${n##*/}" ]; then
        echo "${n##*/}"; return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

# Starts a uhid device: NAME then vm_uhid_sensor's options; its transcript is
# $OUT/NAME.transcript; sets PID_<NAME> and prints nothing.
DEVICES=()
start_device() {
  local name=$1; shift
  "$SENSOR" --name "$name" --transcript "$OUT/$name.transcript" --state "$OUT/$name.state" "$@" \
    2>> "$OUT/$name.err" &
  printf -v "PID_${name//-/_}" %s $!
  DEVICES+=($!)
}
pid_of() { local v="PID_${1//-/_}"; echo "${!v}"; }
stop_devices() {
  ((${#DEVICES[@]})) || return 0
  kill -TERM "${DEVICES[@]}" 2>/dev/null
  wait "${DEVICES[@]}" 2>/dev/null
  DEVICES=()
}

# run_check NAME [as-nobody] MODE ARGS...: one run of the check program.
run_check() {
  local name=$1 rc counts; shift
  local runner=()
  if [ "$1" = as-nobody ]; then runner=("${NOBODY[@]}"); shift; fi
  timeout --kill-after=5 90 "${runner[@]}" "$CHECK" "$@" > "$OUT/$name.check" 2>&1
  rc=$?
  counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$OUT/$name.check" || echo "no count line, exit $rc")
  log "check $name: $counts"
  grep '^FAIL' "$OUT/$name.check" | sed 's/^/guest:   /'
}

# run_program NAME PATTERN COMMAND...: runs a program against one fresh
# emulated sensor (firmware 4.05, LUID 0042) with a time limit; passes when it
# ends with 0 and its output has a line matching the extended regular
# expression PATTERN.
run_program() {
  local name=$1 pattern=$2 rc; shift 2
  start_device "$name-sensor"
  if node_named "$name-sensor" > /dev/null; then
    timeout --kill-after=5 60 "$@" > "$OUT/$name.output" 2>&1
    rc=$?
    if [ "$rc" -eq 0 ] && grep -qE "$pattern" "$OUT/$name.output"; then
      result PASS "program $name: output matches /$pattern/"
    else
      result FAIL "program $name: exit $rc, output $(head -c 300 "$OUT/$name.output" | tr '\n' '|') does not match /$pattern/"
    fi
  else
    result FAIL "program $name: the sensor did not appear"
  fi
  stop_devices
}

# ---- kernel-events: no udev daemon ---------------------------------------------
log "phase kernel-events"
start_device sensor-a --luid 0x0042
a=$(node_named sensor-a)
start_device sensor-b --vendor "$VENDOR_B" --descriptor keyboard-nofeature --luid 0x0043
b=$(node_named sensor-b)
start_device keyboard --plain --vendor 0x1234 --product 0x5678
k=$(node_named keyboard)
start_device mouse --plain --descriptor mouse
m=$(node_named mouse)
if [ -n "$a" ] && [ -n "$b" ] && [ -n "$k" ] && [ -n "$m" ]; then
  log "nodes: sensor-a $a, sensor-b $b, keyboard $k, mouse $m"
  run_check discovery discovery "$a" "$b" "$k" "$m"
  # The check program watches the nodes themselves: the kernel's console
  # keyboard handler opens every keyboard as it appears, so uhid's open event
  # tells nothing about the keyboard's node. Nothing opens a mouse, so there
  # uhid's word is the proof.
  if grep -q ' OPEN$' "$OUT/mouse.transcript"; then
    result FAIL "kernel-events: the mouse with the sensor's ids was opened (uhid saw an open)"
  else
    result PASS "kernel-events: the mouse with the sensor's ids was never opened (uhid saw no open)"
  fi
  kill -TERM "$(pid_of sensor-b)"; wait "$(pid_of sensor-b)" 2>/dev/null
  sleep 0.3
  run_check scenario scenario "$OUT/sensor-a.transcript" "$OUT/sensor-a.state"
  run_check hotplug-kernel-events hotplug "$(pid_of sensor-a)"
else
  result FAIL "kernel-events: not every device appeared (sensor-a '$a', sensor-b '$b', keyboard '$k', mouse '$m')"
fi
stop_devices

# ---- udev: systemd-udevd with the project's rule ---------------------------------
log "phase udev"
mkdir -p /run/udev/rules.d
cp "$RULES" /run/udev/rules.d/
/lib/systemd/systemd-udevd --daemon > "$OUT/udevd.log" 2>&1
if udevadm control --ping --timeout=10 > /dev/null 2>&1; then
  udevadm trigger --action=add --subsystem-match=hidraw > /dev/null 2>&1
  udevadm settle --timeout=10
  start_device udev-sensor
  if n=$(node_named udev-sensor); then
    udevadm settle --timeout=10
    udevadm info "/dev/$n" > "$OUT/udev-sensor.udevinfo" 2>&1
    run_check hotplug-udev hotplug "$(pid_of udev-sensor)" --during-exchange
  else
    result FAIL "udev: the sensor did not appear"
  fi
  stop_devices

  start_device old-sensor --no-extension-sets
  if node_named old-sensor > /dev/null; then
    udevadm settle --timeout=10
    run_check scenario-no-extension-sets scenario "$OUT/old-sensor.transcript" "$OUT/old-sensor.state" --no-extension-sets
  else
    result FAIL "udev: the sensor refusing the extension sets did not appear"
  fi
  stop_devices

  start_device access-a --luid 0x0042
  start_device access-b --vendor "$VENDOR_B" --luid 0x0043
  start_device access-keyboard --plain --vendor 0x1234 --product 0x5678
  if a=$(node_named access-a) && b=$(node_named access-b) && node_named access-keyboard > /dev/null; then
    udevadm settle --timeout=10
    # Without a login manager nobody acts on the uaccess tag: the nodes stay
    # root's. Handing them to the user is what it would do for the seat's user.
    run_check access-refused as-nobody access refused 2
    chown 65534 "/dev/$a" "/dev/$b"
    run_check access-granted as-nobody access granted 2
  else
    result FAIL "udev: the sensors for the access checks did not appear"
  fi
  stop_devices
else
  result FAIL "udev: systemd-udevd did not answer; see udevd.log"
fi

# ---- usb: a sensor on a USB chain -------------------------------------------------
log "phase usb"
for ko in $(cat /run/vm/modules.usb); do
  /run/vm/busybox insmod "/run/vm/modules/$ko" 2>> "$OUT/usb.log" || log "insmod $ko failed"
done
mountpoint -q /sys/kernel/config || mount -t configfs none /sys/kernel/config
g=/sys/kernel/config/usb_gadget/sensor
f=$g/functions/hid.usb0
mkdir -p $g/strings/0x409 $g/configs/c.1 $f
echo "$VENDOR_A" > $g/idVendor; echo "$PRODUCT" > $g/idProduct; echo 0x0405 > $g/bcdDevice; echo 0x0200 > $g/bcdUSB
echo "tolvane test" > $g/strings/0x409/manufacturer; echo "usb sensor" > $g/strings/0x409/product
echo 1 > $f/protocol; echo 1 > $f/subclass; echo 8 > $f/report_length
# The uhid sensor's descriptor: a boot keyboard with an eight-byte feature report.
printf '\x05\x01\x09\x06\xa1\x01\x05\x07\x19\xe0\x29\xe7\x15\x00\x25\x01\x75\x01\x95\x08\x81\x02\x95\x01\x75\x08\x81\x01\x95\x05\x75\x01\x05\x08\x19\x01\x29\x05\x91\x02\x95\x01\x75\x03\x91\x01\x95\x06\x75\x08\x15\x00\x25\x65\x05\x07\x19\x00\x29\x65\x81\x00\x06\x00\xff\x09\x01\x15\x00\x26\xff\x00\x75\x08\x95\x08\xb1\x02\xc0' > $f/report_desc
ln -s $f $g/configs/c.1/
ls /sys/class/udc | head -1 > $g/UDC
n=
for i in $(seq 100); do
  for s in /sys/class/hidraw/hidraw*; do
    readlink -f "$s" | grep -q '/usb' && n=${s##*/}
  done
  [ -n "$n" ] && [ -c "/dev/$n" ] && break
  sleep 0.1
done
udevadm settle --timeout=10
if [ -n "$n" ]; then
  udevadm info "/dev/$n" > "$OUT/usb.udevinfo" 2>&1
  tags=$(grep '^E: CURRENT_TAGS=' "$OUT/usb.udevinfo" | cut -d= -f2)
  if [[ "$tags" == *:uaccess:* ]]; then
    result PASS "usb: the project's rule tags the USB sensor's node /dev/$n uaccess ($tags)"
  else
    result FAIL "usb: the USB sensor's node /dev/$n is not tagged uaccess (tags '$tags'); see usb.udevinfo"
  fi
  # The VM runs no systemd: what the rule asks of it is checked on the node.
  if [[ "$tags" == *:systemd:* ]] && grep -qxF "E: SYSTEMD_WANTS=tolvane-policy@$n.service" "$OUT/usb.udevinfo"; then
    result PASS "policy: the project's rule wants tolvane-policy@$n.service for the USB sensor's node"
  else
    result FAIL "policy: the rule does not tag /dev/$n systemd with SYSTEMD_WANTS=tolvane-policy@$n.service; see usb.udevinfo"
  fi
  # The gadget answers no feature report; a reader keeps its queue drained.
  timeout 30 cat /dev/hidg0 > /dev/null 2>&1 &
  reader=$!
  run_check usb usb
  kill "$reader" 2>/dev/null; wait "$reader" 2>/dev/null
else
  result FAIL "usb: no hidraw node appeared below the USB gadget"
fi
echo "" > $g/UDC 2>/dev/null

# ---- programs ------------------------------------------------------------------
log "phase programs"
transfers() { grep -cE '^[0-9]+ (GET|SET) ' "$1" 2>/dev/null || echo 0; }
# The count of transfers once it has stayed the same for 2 s (at most $2 s).
transfers_when_quiet() {
  local last=-1 now stable=0 i
  for i in $(seq $(($2 * 5))); do
    now=$(transfers "$1")
    if [ "$now" = "$last" ]; then stable=$((stable + 1)); else stable=0; last=$now; fi
    [ $stable -ge 10 ] && [ "$now" -gt 0 ] && break
    sleep 0.2
  done
  transfers "$1"
}
APP=$BUILD/app/tolvane
if [ -x "$APP" ]; then
  start_device app-sensor
  if node_named app-sensor > /dev/null; then
    udevadm settle --timeout=10
    mkdir -p /run/app-home /run/app-xdg && chmod 700 /run/app-xdg
    HOME=/run/app-home XDG_RUNTIME_DIR=/run/app-xdg QT_QPA_PLATFORM=offscreen timeout 120 "$APP" > "$OUT/tolvane.log" 2>&1 &
    app=$!
    t=$OUT/app-sensor.transcript
    at_start=$(transfers_when_quiet "$t" 60)
    kill -USR1 "$(pid_of app-sensor)"; sleep 3
    after_unplug=$(transfers "$t")
    kill -USR1 "$(pid_of app-sensor)"; sleep 1
    after_plug=$(transfers_when_quiet "$t" 30)
    # Two more sensors plugged in while the first is edited.
    start_device app-more-a --luid 0x0061
    start_device app-more-b --luid 0x0062
    more_a=$(transfers_when_quiet "$OUT/app-more-a.transcript" 30)
    more_b=$(transfers_when_quiet "$OUT/app-more-b.transcript" 30)
    after_more=$(transfers "$t")
    alive=$(kill -0 "$app" 2>/dev/null && echo yes || echo no)
    kill -TERM "$app" 2>/dev/null; wait "$app" 2>/dev/null
    detail="transfers at start $at_start, after unplug $((after_unplug - at_start)), after plug $((after_plug - after_unplug)), to the two that arrived $more_a and $more_b (to the edited one meanwhile $((after_more - after_plug))), still running: $alive"
    # A full read is 11 exchanges of two transfers. The program reads each
    # sensor once at start, once again after it comes back, and each sensor
    # that arrives once, leaving the edited one alone.
    if [ "$at_start" -eq 22 ] && [ "$after_unplug" -eq "$at_start" ] && [ $((after_plug - after_unplug)) -eq 22 ] &&
      [ "$more_a" -eq 22 ] && [ "$more_b" -eq 22 ] && [ "$after_more" -eq "$after_plug" ] && [ "$alive" = yes ]; then
      result PASS "program tolvane: $detail"
    else
      result FAIL "program tolvane: $detail"
    fi
  else
    result FAIL "program tolvane: the sensor did not appear"
  fi
  stop_devices
else
  result FAIL "program tolvane: $APP was not built"
fi

# Command-line programs against one emulated sensor: name, pattern, command.
run_program check-list 'sensor 0: .*fw=0405 luid=0042 status=00000000' "$CHECK" list 1
CTL=$BUILD/cli/tolvanectl
run_program tolvanectl-list '^1  /dev/hidraw[0-9]+  [0-9a-f]{4}:[0-9a-f]{4}  firmware 4\.05  LUID 66$' "$CTL" list
run_program tolvanectl-show '^  ping-rate +500 ms$' "$CTL" show
run_program tolvanectl-set '^ping-rate=300$' "$CTL" set ping-rate=300
# The sonar block with 300 ms (75 steps of 4 ms) reached the sensor, and its commit.
if grep -qE 'SET .*ok=1 data=00 [0-9a-f]{2} 4b ' "$OUT/tolvanectl-set-sensor.transcript" &&
  grep -qE 'SET .*ok=1 data=00 90 01 ' "$OUT/tolvanectl-set-sensor.transcript"; then
  result PASS "program tolvanectl-set: the sensor received the sonar block and its commit"
else
  result FAIL "program tolvanectl-set: the sensor did not receive the sonar block and its commit"
fi
run_program tolvanectl-range '^InRange: 29 inches, 01$' "$CTL" range

# ---- at-once: two sensors read at once ------------------------------------------
log "phase at-once"
# A transcript's reports without their times.
reports_of() { grep -E '^[0-9]+ (GET|SET) ' "$1" | sed -E 's/^[0-9]+ //'; }
start_device once-a --luid 0x0051
start_device once-b --luid 0x0052
if node_named once-a > /dev/null && node_named once-b > /dev/null; then
  # One after another, then both at once; each sensor must hear the same
  # reports both times, and the program must print the same.
  { timeout 60 "$CTL" show -s 1 && echo && timeout 60 "$CTL" show -s 2; } > "$OUT/once-serial.output" 2>&1
  serial_rc=$?
  for d in a b; do reports_of "$OUT/once-$d.transcript" > "$OUT/once-serial-$d.reports"; : > "$OUT/once-$d.transcript"; done
  started=$(date +%s%N)
  timeout 60 "$CTL" show --all > "$OUT/once-together.output" 2>&1
  together_rc=$?
  together_ms=$((($(date +%s%N) - started) / 1000000))
  for d in a b; do reports_of "$OUT/once-$d.transcript" > "$OUT/once-together-$d.reports"; done
  detail="exit $serial_rc then $together_rc, both at once in $together_ms ms, $(wc -l < "$OUT/once-together-a.reports") and $(wc -l < "$OUT/once-together-b.reports") reports"
  # A complete read is 22 reports and 2750 ms of waits; one after another the two take twice that.
  if [ "$serial_rc" -eq 0 ] && [ "$together_rc" -eq 0 ] &&
    cmp -s "$OUT/once-serial.output" "$OUT/once-together.output" &&
    cmp -s "$OUT/once-serial-a.reports" "$OUT/once-together-a.reports" &&
    cmp -s "$OUT/once-serial-b.reports" "$OUT/once-together-b.reports" &&
    [ "$(wc -l < "$OUT/once-together-a.reports")" -eq 22 ] && [ "$together_ms" -lt 5000 ]; then
    result PASS "at-once: two sensors read at once hear their reports read alone, print the same: $detail"
  else
    result FAIL "at-once: two sensors read at once differ from one after another: $detail"
  fi
else
  result FAIL "at-once: the two sensors did not appear"
fi
stop_devices

# ---- sharing: several programs on one sensor at once ---------------------------
log "phase sharing"
# The sensor as show --json prints it, but for its node: each run has a fresh sensor.
sensor_state() { "$CTL" show --json 2>&1 | grep -v '"node"'; }
# Range lines without their time stamps.
untimed() { sed -E "s/^[0-9:.TZ-]+  //" "$1"; }

# run_together DIR MODE COMMAND...: on a fresh emulated sensor, runs each
# command (a bash command line) one after another (MODE serial) or all at
# once (MODE together); DIR gets each one's output, untimed, and exit code,
# the sensor's state afterwards and its transcript.
run_together() {
  local dir=$1 mode=$2 i pids=() sensor; shift 2
  sensor=share-$(basename "$dir")
  mkdir -p "$dir"
  start_device "$sensor"
  node_named "$sensor" > /dev/null || { echo "no sensor" > "$dir/state"; stop_devices; return; }
  export SHARE_TRANSCRIPT=$OUT/$sensor.transcript
  for i in $(seq $#); do
    if [ "$mode" = serial ]; then
      timeout 60 bash -c "${!i}" > "$dir/$i.raw" 2> "$dir/$i.err"; echo $? > "$dir/$i.rc"
    else
      (timeout 60 bash -c "${!i}" > "$dir/$i.raw" 2> "$dir/$i.err"; echo $? > "$dir/$i.rc") &
      pids+=($!)
    fi
  done
  ((${#pids[@]})) && wait "${pids[@]}"
  for i in $(seq $#); do untimed "$dir/$i.raw" > "$dir/$i.out"; done
  sensor_state > "$dir/state"
  cp "$OUT/$sensor.transcript" "$dir/transcript"
  stop_devices
}

# sharing_case NAME ROUNDS COMMAND...: the commands one after another once,
# then together ROUNDS times; every together round must end like the serial one.
sharing_case() {
  local name=$1 rounds=$2 round i bad; shift 2
  local base=$OUT/sharing/$name
  run_together "$base/serial" serial "$@"
  for round in $(seq "$rounds"); do
    local dir=$base/together-$round
    run_together "$dir" together "$@"
    bad=
    for i in $(seq $#); do
      [ "$(cat "$dir/$i.rc")" = 0 ] || bad+=" command $i exit $(cat "$dir/$i.rc") ($(head -c 200 "$dir/$i.err" | tr '\n' '|'));"
      cmp -s "$dir/$i.out" "$base/serial/$i.out" || bad+=" command $i printed other values;"
    done
    cmp -s "$dir/state" "$base/serial/state" || bad+=" the sensor ended other than one after another;"
    if [ -z "$bad" ] && [ "$(cat "$dir/state")" != "no sensor" ]; then
      result PASS "sharing $name round $round: every program waited its turn; outputs, exit codes and the sensor as one after another"
    else
      result FAIL "sharing $name round $round:${bad:- the sensor did not appear}"
    fi
  done
}

sharing_case two-sets 2 "'$CTL' set walk-away-key-delay=256" "'$CTL' set ping-rate=300"
sharing_case set-beside-range 1 "'$CTL' range --follow --interval 100 --count 20" \
  "sleep 0.5; '$CTL' set ping-rate=300 && '$CTL' show --json | grep -v '\"node\"'"
if [ -x "$APP" ]; then
  sharing_case set-during-start-up 2 \
    "HOME=/run/app-home XDG_RUNTIME_DIR=/run/app-xdg QT_QPA_PLATFORM=offscreen timeout 8 '$APP'; true" \
    "until grep -q ' SET ' \"\$SHARE_TRANSCRIPT\"; do sleep 0.05; done; '$CTL' set walk-away-key-delay=256"
  # The sheet's start-up read (it spoke first) is eleven exchanges in a row, none of them cut into.
  for t in "$OUT"/sharing/set-during-start-up/together-*/transcript; do
    commands=$(grep -E '^[0-9]+ (GET|SET) ' "$t" | head -22 | awk '{ if ($2 == "SET") printf "%s ", $7; else printf "get " }')
    if [ "$commands" = "80 get 81 get 82 get 83 get 84 get 8b get 8b get 8b get 8b get 85 get 8a get " ]; then
      result PASS "sharing set-during-start-up: the sheet's read was not cut into ($t)"
    else
      result FAIL "sharing set-during-start-up: the sheet's read was cut into: $commands ($t)"
    fi
  done
fi

# ---- policy: a sensor plugged in is brought to the installed policy -------------
# No systemd runs here, so the command tolvane-policy@.service runs is run as it
# would run it, once the sensor's node is there; the policy folder is the test's.
log "phase policy"
policy_dir=$TMPDIR/policy
mkdir -p "$policy_dir"
printf '{"layout": 1, "settings": {"ping-rate": 300}}\n' > "$policy_dir/policy.json"
apply_policy() {
  PATH=$BUILD/cli:$PATH TOLVANE_POLICY_DIR=$policy_dir timeout 60 "$SOURCE/packaging/policy/apply-policy" "$1" \
    >> "$OUT/policy.log" 2>&1
}
# Commits the sensor received: a write pass ends each page with one.
commits() { grep -cE ' SET .*ok=1 data=00 90 ' "$1" || true; }
start_device policy-sensor
if n=$(node_named policy-sensor); then
  udevadm settle --timeout=10
  apply_policy "$n"; rc=$?
  ping=$(sed -n 's/^config.Sonar=//p' "$OUT/policy-sensor.state" | tr -d ' ' | cut -c3-4)
  first=$(commits "$OUT/policy-sensor.transcript")
  if [ "$rc" -eq 5 ] && [ "$ping" = 4b ] && [ "$first" -gt 0 ]; then
    result PASS "policy: plugged in, the sensor was brought to the policy (exit 5, it holds ping rate 300 ms)"
  else
    result FAIL "policy: first plug: exit $rc, the sensor's ping-rate byte '$ping' (wanted 4b), $first commits; see policy.log"
  fi
  kill -USR1 "$(pid_of policy-sensor)"; sleep 1; kill -USR1 "$(pid_of policy-sensor)"; sleep 0.5
  if n=$(node_named policy-sensor); then
    udevadm settle --timeout=10
    apply_policy "$n"; rc=$?
    again=$(commits "$OUT/policy-sensor.transcript")
    if [ "$rc" -eq 0 ] && [ "$again" -eq "$first" ]; then
      result PASS "policy: plugged in again, the sensor already held the policy and nothing was written (exit 0)"
    else
      result FAIL "policy: second plug: exit $rc, commits $first before and $again after; see policy.log"
    fi
  else
    result FAIL "policy: the sensor did not come back after its second plug"
  fi
else
  result FAIL "policy: the sensor did not appear"
fi
stop_devices

# The sheet is running when a sensor is plugged in and the policy service
# takes it first: udev holds the plug-in back from the sheet until tolvanectl
# apply has begun to talk to the sensor, as when the service starts before
# the sheet hears of it. The sheet must say that it waits for another
# program, read the sensor once the policy is applied, and touch no widget
# off its GUI thread (Qt would warn of it).
if [ -x "$APP" ]; then
  sheet_log=$OUT/sheet-beside-policy.log
  HOME=/run/app-home XDG_RUNTIME_DIR=/run/app-xdg QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="tolvane.statusline.info=true" timeout 120 "$APP" > "$sheet_log" 2>&1 &
  app=$!
  for _ in $(seq 100); do grep -q "No sensor connected" "$sheet_log" && break; sleep 0.2; done
  # udevadm ignores requests in a chroot unless told that this one is the system.
  SYSTEMD_IGNORE_CHROOT=1 udevadm control --stop-exec-queue
  start_device sheet-policy-sensor
  if n=$(node_named sheet-policy-sensor); then
    t=$OUT/sheet-policy-sensor.transcript
    apply_policy "$n" &
    applying=$!
    # Under emulation on a slow host the policy's read before its first write
    # can take many seconds; the plug-in is held back until that write.
    began=no
    for _ in $(seq 1200); do grep -qE ' SET ' "$t" && began=yes && break; sleep 0.05; done
    SYSTEMD_IGNORE_CHROOT=1 udevadm control --start-exec-queue
    wait "$applying"; rc=$?
    transfers_when_quiet "$t" 30 > /dev/null
    for _ in $(seq 50); do grep -q "Sensor 1 of 1" "$sheet_log" && break; sleep 0.2; done
    alive=$(kill -0 "$app" 2>/dev/null && echo yes || echo no)
    # The last full read (eleven exchanges in a row) is the sheet's, after
    # every report of the policy's.
    last_read=$(grep -E '^[0-9]+ (GET|SET) ' "$t" | tail -n 22 | awk '{ if ($2 == "SET") printf "%s ", $7; else printf "get " }')
    waited=$(grep -n "Waiting for another program using the sensor" "$sheet_log" | head -n 1 | cut -d: -f1)
    shown=$(grep -n "Sensor 1 of 1: firmware 4.05, LUID 66, /dev/$n" "$sheet_log" | head -n 1 | cut -d: -f1)
    warnings=$(grep -E "QObject|QWidget|QPixmap|QBasicTimer|thread" "$sheet_log" | grep -v "tolvane.statusline" | head -n 3 | tr '\n' '|')
    detail="policy exit $rc, the policy wrote before the sheet heard of the sensor: $began, the sheet's last read: ${last_read:-none}, waiting words at line ${waited:-none} and the sensor shown at line ${shown:-none} of its log, Qt warnings: ${warnings:-none}, still running: $alive"
    if [ "$rc" -eq 5 ] && [ "$began" = yes ] && [ "$last_read" = "80 get 81 get 82 get 83 get 84 get 8b get 8b get 8b get 8b get 85 get 8a get " ] &&
      [ -n "$waited" ] && [ -n "$shown" ] && [ "$waited" -lt "$shown" ] && [ -z "$warnings" ] && [ "$alive" = yes ]; then
      result PASS "policy beside the sheet: the sheet waited for the policy, then read the sensor it left: $detail"
    else
      result FAIL "policy beside the sheet: $detail; see sheet-beside-policy.log and policy.log"
    fi
  else
    SYSTEMD_IGNORE_CHROOT=1 udevadm control --start-exec-queue
    result FAIL "policy beside the sheet: the sensor did not appear"
  fi
  kill -TERM "$app" 2>/dev/null; wait "$app" 2>/dev/null
  stop_devices
fi
rm "$policy_dir/policy.json"
start_device unpolicied-sensor
if n=$(node_named unpolicied-sensor); then
  udevadm settle --timeout=10
  apply_policy "$n"; rc=$?
  if [ "$rc" -eq 0 ] && ! grep -qE ' (GET|SET) ' "$OUT/unpolicied-sensor.transcript"; then
    result PASS "policy: without a policy file the service's command ends at once and sends nothing"
  else
    result FAIL "policy: without a policy file: exit $rc, or reports were exchanged; see policy.log"
  fi
else
  result FAIL "policy: the sensor without a policy did not appear"
fi
stop_devices

udevadm control --exit 2> /dev/null
log "done"
