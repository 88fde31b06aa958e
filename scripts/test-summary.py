#!/usr/bin/python3
"""What a CTest run verified, by kind of test:

    test-summary.py BUILD_DIR JUNIT.xml [--require-x64]

reads the tests' labels from CTest (native, wine-x64, wine-x86) and their
outcomes from the JUnit file the run wrote, and prints one line per kind:
how many passed, failed and were skipped, and for skipped tests the reasons
they gave (their output's line that ends in "skipped"). Ends with a line
"total: N passed, N failed, N skipped".

With --require-x64 the answer is 1 when no Wine test of the 64-bit
plug-in ran or one was skipped: 64-bit Wine installs on every machine, so
such a run has not verified the plug-in users get.
"""
import json
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

KINDS = [("native", "native tests"), ("wine-x64", "Wine x64"), ("wine-x86", "Wine x86")]


def labels_by_test(build_dir):
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                             capture_output=True, text=True).stdout
    labels = {}
    for test in json.loads(listing).get("tests", []):
        for prop in test.get("properties", []):
            if prop.get("name") == "LABELS":
                labels[test["name"]] = prop.get("value", [])
    return labels


def skip_reason(output):
    for line in (output or "").splitlines():
        line = line.strip()
        if line.endswith(": skipped"):
            return line[: -len(": skipped")]
    return "no reason given"


def main():
    build_dir, junit = sys.argv[1], sys.argv[2]
    require_x64 = "--require-x64" in sys.argv[3:]
    labels = labels_by_test(build_dir)
    tallies = {kind: {"passed": 0, "failed": [], "skipped": {}} for kind, _ in KINDS}
    other = {"passed": 0, "failed": [], "skipped": {}}
    for case in ElementTree.parse(junit).getroot().iter("testcase"):
        name = case.get("name")
        kind = next((k for k, _ in KINDS if k in labels.get(name, [])), None)
        tally = tallies[kind] if kind else other
        if case.find("skipped") is not None or case.get("status") == "notrun":
            reason = skip_reason(case.findtext("system-out"))
            tally["skipped"].setdefault(reason, []).append(name)
        elif case.find("failure") is not None or case.get("status") == "fail":
            tally["failed"].append(name)
        else:
            tally["passed"] += 1

    print("What was verified:")
    rows = [(title, tallies[kind]) for kind, title in KINDS]
    if other["passed"] or other["failed"] or other["skipped"]:
        rows.append(("other tests", other))
    for title, tally in rows:
        skipped = sum(len(names) for names in tally["skipped"].values())
        if tally["passed"] == 0 and not tally["failed"] and skipped:
            reasons = "; ".join(tally["skipped"])
            print("  %-13s not run: %s" % (title, reasons))
            continue
        parts = ["%d passed" % tally["passed"]]
        if tally["failed"]:
            parts.append("%d failed (%s)" % (len(tally["failed"]), ", ".join(tally["failed"])))
        for reason, names in tally["skipped"].items():
            parts.append("%d skipped (%s: %s)" % (len(names), ", ".join(names), reason))
        print("  %-13s %s" % (title, ", ".join(parts)))

    every = [t for _, t in rows]
    passed = sum(t["passed"] for t in every)
    failed = sum(len(t["failed"]) for t in every)
    skipped = sum(len(n) for t in every for n in t["skipped"].values())
    status = 0
    if require_x64:
        x64 = tallies["wine-x64"]
        if x64["passed"] + len(x64["failed"]) == 0:
            print("ERROR: no Wine test of the 64-bit plug-in ran; 64-bit Wine (package wine64) "
                  "installs on every machine, and without it the real plug-in was never loaded")
            status = 1
        elif x64["skipped"]:
            print("ERROR: Wine tests of the 64-bit plug-in were skipped; with 64-bit Wine "
                  "present every one of them must run")
            status = 1
    print("total: %d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return status


if __name__ == "__main__":
    sys.exit(main())
