#!/usr/bin/env python3
"""Runs every command of the built tool that has --json on the simulated chip,
failures included, and checks every line it prints, and every line of its
--log file, against docs/json-events.schema.json (whose top level takes both).

usage: check_json_events.py TOOL SCHEMA WORK_FOLDER
Exits 77 (skipped) when python3-jsonschema is missing."""
import copy
import json
import os
import subprocess
import sys

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed", file=sys.stderr)
    sys.exit(77)

tool, schema_path, work = sys.argv[1:4]
os.makedirs(work, exist_ok=True)
log = os.path.join(work, "station.jsonl")
if os.path.exists(log):
    os.remove(log)

with open(schema_path) as f:
    schema = json.load(f)
jsonschema.Draft202012Validator.check_schema(schema)
events = jsonschema.Draft202012Validator(schema)
records = events
unit = os.path.join(work, "unit.bin")

SIM = ["--simulate", "--sim-clock"]
RUNS = [  # arguments, expected exit code, the result's status (None: no result)
    (["write", *SIM, "--yes", "--json", "--log", log], 0, "OK"),
    (["write", *SIM, "--yes", "--json", "--log", log, "--fault", "refuse-open"], 1, "FAIL"),
    (["write", *SIM, "--yes", "--json", "--updater"], 0, "OK"),
    (["erase", *SIM, "--yes", "--json"], 0, "OK"),
    (["version", *SIM, "--json"], 0, "OK"),
    (["list", *SIM, "--json"], 0, "OK"),
    (["list", *SIM, "--json", "--fault", "refuse-open"], 3, "FAIL"),
    (["erase", *SIM, "--yes", "--json", "--fault", "fail-write", "--log", log], 1, "FAIL"),
    (["version", *SIM, "--json", "--vid", "1234", "--pid", "1"], 1, "FAIL"),
    (["version", *SIM, "--json", "--fault", "no-reply"], 1, "FAIL"),
    (["read", *SIM, "--json", unit, "--log", log], 0, "OK"),
    (["read", *SIM, "--json", unit, "--fault", "no-reply"], 1, "FAIL"),
    (["read", *SIM, "--json", unit, "--fault", "refuse-open"], 3, "FAIL"),
    (["verify", *SIM, "--json", "--log", log], 0, "OK"),
    (["verify", *SIM, "--json", "--image", "B", "--log", log], 1, "FAIL"),
    (["verify", *SIM, "--json", "--fault", "no-reply"], 1, "FAIL"),
    (["verify", *SIM, "--json", "--variant", "unknown"], 1, "FAIL"),
    # Two units at once, the second pulled mid-write: every event names its unit.
    (["write", *SIM, "--yes", "--json", "--all", "--units", "2", "--fault", "2:unplug-at=600"], 1, "FAIL"),
]

failures = []


def check(validator, instance, where):
    for error in validator.iter_errors(instance):
        failures.append(f"{where}: {error.message} at {list(error.absolute_path)}\n  {json.dumps(instance)}")


seen = set()
for args, want_rc, want_status in RUNS:
    run = subprocess.run([tool, *args], capture_output=True, text=True, timeout=120)
    where = " ".join(args[:1] + args[3:])
    if run.returncode != want_rc:
        failures.append(f"{where}: exit {run.returncode}, expected {want_rc}; stderr: {run.stderr.strip()}")
    try:
        lines = [json.loads(line) for line in run.stdout.splitlines()]
    except json.JSONDecodeError as error:
        failures.append(f"{where}: stdout holds more than JSON ({error}): {run.stdout!r}")
        continue
    for event in lines:
        seen.add(event.get("event"))
        check(events, event, where)
    if want_status is not None:
        if not lines or lines[-1].get("event") != "result" or lines[-1].get("status") != want_status:
            failures.append(f"{where}: does not end with a {want_status} result")
        elif "--all" in args:
            if any("port" not in e for e in lines):
                failures.append(f"{where}: an event of several units does not name its unit")
        elif "port" in lines[-1] and any(e.get("port") != lines[-1]["port"] for e in lines if "port" in e):
            failures.append(f"{where}: events name different ports")

with open(log) as f:
    logged = [json.loads(line) for line in f]
if len(logged) != 6:
    failures.append(f"the log holds {len(logged)} lines, expected 6")
for record in logged:
    check(records, record, "log")

# The schema must be able to fail: an event without its version, a failure
# without its meaning, and an unknown field are refused.
sample = {"event": "result", "schema": 1, "time": "2026-01-01T00:00:00.000Z", "status": "FAIL",
          "code": "00030401", "name": "x", "meaning": "y"}
for mutate in (lambda e: e.pop("schema"), lambda e: e.pop("meaning"), lambda e: e.update(extra=1)):
    bad = copy.deepcopy(sample)
    mutate(bad)
    if events.is_valid(bad):
        failures.append(f"the schema accepts {json.dumps(bad)}")
if not events.is_valid(sample):
    failures.append("the schema refuses a valid failure result")

for kind in ("info", "progress", "prompt", "message", "result", "version", "device", "state"):
    if kind not in seen:
        failures.append(f"no {kind} event was checked")

print("\n".join(failures) or f"{len(seen)} kinds of event and {len(logged)} log lines match the schema")
sys.exit(1 if failures else 0)
