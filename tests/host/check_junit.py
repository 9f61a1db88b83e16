#!/usr/bin/python3
"""Reads a JUnit XML report as CI systems do and prints one line per test case.

The report must be well-formed XML carrying what the usual JUnit schema requires (a test suite's
name, tests, failures, errors, time, timestamp and hostname; a test case's name, classname and
time; a failure's type), with counts that agree with its test cases. Then Debian's junitparser
reads it, and for each test case this prints: suite, case, outcome (pass, failure, skipped), the
failure's type, the message and the seconds it took, separated by tabs. Exit status 1, with the reason, when the report
breaks the schema.
"""
import re
import sys
import xml.etree.ElementTree as ET

from junitparser import Failure, JUnitXml, Skipped

TIMESTAMP = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}$")


def require(element, names):
    for name in names:
        if name not in element.attrib:
            raise ValueError(f"<{element.tag}> has no {name} attribute: {element.attrib}")


def check_schema(path):
    root = ET.parse(path).getroot()
    if root.tag != "testsuites":
        raise ValueError(f"the root is <{root.tag}>, not <testsuites>")
    suites = root.findall("testsuite")
    if not suites:
        raise ValueError("no <testsuite>")
    for suite in suites:
        require(suite, ["name", "tests", "failures", "errors", "time", "timestamp", "hostname", "id", "package"])
        if not TIMESTAMP.match(suite.get("timestamp")):
            raise ValueError(f"timestamp {suite.get('timestamp')!r} is not an ISO 8601 date and time")
        cases = suite.findall("testcase")
        failures = sum(1 for case in cases if case.find("failure") is not None)
        skipped = sum(1 for case in cases if case.find("skipped") is not None)
        if int(suite.get("tests")) != len(cases) or int(suite.get("failures")) != failures:
            raise ValueError(f"suite {suite.get('name')} counts {suite.get('tests')} tests and "
                             f"{suite.get('failures')} failures, holds {len(cases)} and {failures}")
        if int(suite.get("skipped", "0")) != skipped:
            raise ValueError(f"suite {suite.get('name')} counts {suite.get('skipped')} skipped, holds {skipped}")
        float(suite.get("time"))
        for case in cases:
            require(case, ["name", "classname", "time"])
            if float(case.get("time")) < 0:
                raise ValueError(f"case {case.get('name')} took {case.get('time')} s")
            failure = case.find("failure")
            if failure is not None:
                require(failure, ["type", "message"])


def main(path):
    try:
        check_schema(path)
    except (ValueError, ET.ParseError) as error:
        print(f"{path}: {error}", file=sys.stderr)
        return 1
    for suite in JUnitXml.fromfile(path):
        for case in suite:
            outcome, kind, message = "pass", "", ""
            for result in case.result:
                if isinstance(result, Failure):
                    outcome, kind, message = "failure", result.type, result.message
                elif isinstance(result, Skipped):
                    outcome, message = "skipped", result.message
            print("\t".join([suite.name, case.name, outcome, kind or "", message or "", str(case.time)]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
