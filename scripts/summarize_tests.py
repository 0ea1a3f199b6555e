#!/usr/bin/env python3
"""Adds up the results of every test run into one closing line: "N passed, N failed".

Usage: summarize_tests.py RESULTS_DIR [FAILED_STEP ...]

RESULTS_DIR holds, per build, the CTest JUnit file <build>.junit.xml and a folder <build>/ with
the GoogleTest XML file of every test program. A test program counts its GoogleTest cases; a
program that failed without a failing case (a crash, a sanitizer report at exit) adds one
failure; a CTest test without GoogleTest output (a fuzz run) counts as one test. Every
FAILED_STEP (a build that did not compile, Wine that did not start) counts as one failure.
"""
import pathlib
import sys
import xml.etree.ElementTree as ET


def parse_xml(path):
    # Failure messages may quote Windows-1252 or code page 850 bytes, which makes the report
    # invalid UTF-8; such bytes must not stop the count.
    text = path.read_bytes().decode("utf-8", errors="replace")
    try:
        return ET.fromstring(text)
    except ET.ParseError:
        return None


def gtest_counts(path):
    passed = failed = 0
    root = parse_xml(path)
    if root is None:
        print(f"unreadable test report {path}: counted as one failure")
        return 0, 1
    for case in root.iter("testcase"):
        if case.get("status") == "notrun" or case.get("result") == "skipped":
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        else:
            passed += 1
    return passed, failed


def main():
    results = pathlib.Path(sys.argv[1])
    failed_steps = sys.argv[2:]
    total_passed = total_failed = 0
    lines = []
    for junit in sorted(results.glob("*.junit.xml")):
        build = junit.name[: -len(".junit.xml")]
        b_passed = b_failed = 0
        root = parse_xml(junit)
        if root is None:
            print(f"unreadable test report {junit}: counted as one failure")
            total_failed += 1
            continue
        for case in root.iter("testcase"):
            name = case.get("name")
            if case.get("status") == "disabled":
                continue
            ok = (case.get("status") == "run" and case.find("failure") is None
                  and case.find("error") is None)
            xml = results / build / (name + ".xml")
            if xml.exists():
                p, f = gtest_counts(xml)
                if not ok and f == 0:
                    f = 1
                    print(f"FAILED {build}/{name}: the program failed outside its test cases")
            else:
                p, f = (1, 0) if ok else (0, 1)
            if f:
                print(f"FAILED {build}/{name}: {f} failed")
            b_passed += p
            b_failed += f
        lines.append(f"  {build}: {b_passed} passed, {b_failed} failed")
        total_passed += b_passed
        total_failed += b_failed
    for step in failed_steps:
        print(f"FAILED step: {step}")
        total_failed += 1
    print("\n".join(lines))
    print(f"{total_passed} passed, {total_failed} failed")
    return 1 if total_failed else 0


if __name__ == "__main__":
    sys.exit(main())
