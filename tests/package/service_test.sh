#!/bin/bash
# The station service: systemd accepts its unit, and the station it runs,
# started from a settings file alone on simulated units, ends every unit
# under way in order on SIGTERM, each with its record in the log.
# Usage: service_test.sh UNIT_FILE ZT51XX_MP   (exit 77: nothing could run here)
set -u
unit=$1
tool=$(realpath "$2")
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The unit as shipped, pointed at this build's program (verify checks that
# the program is there). Any word from verify is a fault: an unknown key is
# only a warning to it.
if command -v systemd-analyze >/dev/null; then
    sed "s|/usr/bin/zt51xx-mp|$tool|" "$unit" >"$work/$(basename "$unit")"
    out=$(systemd-analyze verify --man=no "$work/$(basename "$unit")" 2>&1) || fail "systemd-analyze verify: $out"
    [ -z "$out" ] || fail "systemd-analyze verify says: $out"
    grep -q '^KillSignal=SIGTERM$' "$unit" || fail "the unit does not stop the station with SIGTERM"
    grep -q '^SuccessExitStatus=143$' "$unit" || fail "a stop by SIGTERM (exit 143) would count as a failure"
else
    echo "systemd-analyze is missing: the unit is not verified"
fi

# Everything the station does comes from the file.
cat >"$work/station.conf" <<CONF
simulate = true
units = 3
sim-stagger-ms = 100
sim-fresh = -1
log = $work/station.jsonl
CONF
export ZT_STATE_DIR=$work/state
if [ "$(cat /proc/1/comm 2>/dev/null)" = systemd ] && [ "$(id -u)" = 0 ] && command -v systemd-run >/dev/null; then
    # As the service runs it: under systemd, stopped by systemctl.
    name=zt-service-test-$$
    systemd-run --quiet --unit="$name" -p KillSignal=SIGTERM -p TimeoutStopSec=60 -p SuccessExitStatus=143 \
        --setenv=ZT_STATE_DIR="$ZT_STATE_DIR" -p StandardOutput=file:"$work/out" \
        "$tool" station --config "$work/station.conf" || exit 1
    stop() { systemctl stop "$name"; }
    ended() { ! systemctl is-active --quiet "$name"; }
    status() { systemctl show -p ExecMainStatus --value "$name"; }
else
    echo "systemd is not PID 1 here: the station runs as a plain process, stopped by SIGTERM"
    "$tool" station --config "$work/station.conf" >"$work/out" 2>"$work/err" &
    pid=$!
    stop() { kill -TERM "$pid"; }
    ended() { ! kill -0 "$pid" 2>/dev/null; }
    status() { wait "$pid"; echo $?; }
fi

# Once all three units are under way, stop.
for _ in $(seq 300); do
    [ "$(grep -o '^\[[^]]*\] progress' "$work/out" | sort -u | wc -l)" -ge 3 ] && break
    sleep 0.1
done
stop
for _ in $(seq 600); do ended && break; sleep 0.1; done
ended || fail "the station did not end within a minute of SIGTERM"
rc=$(status)
[ "$rc" = 143 ] || fail "exit code $rc after SIGTERM with units under way, not 143"

# Every unit that was under way has its record, as INTERRUPTED unless it
# finished first; no unit has two.
under_way=$(grep -o '^\[[^]]*\] progress' "$work/out" | sed 's/^\[\(.*\)\] progress$/\1/' | sort -u)
[ "$(echo "$under_way" | wc -w)" -ge 3 ] || fail "not every unit got under way: $(cat "$work/out")"
recorded=$(sed -n 's/.*"port":"\([^"]*\)".*/\1/p' "$work/station.jsonl" 2>/dev/null | sort)
for port in $under_way; do
    echo "$recorded" | grep -qx "$port" || fail "the unit on $port was under way and has no record"
done
[ "$(echo "$recorded" | uniq -d)" = "" ] || fail "a unit has two records: $recorded"
grep -q '"status":"INTERRUPTED"' "$work/station.jsonl" || fail "no record says INTERRUPTED"

[ $failures = 0 ] && echo "the service's station ends every unit under way with its record on SIGTERM"
exit $((failures > 0))
