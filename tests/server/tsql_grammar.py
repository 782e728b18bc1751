#!/usr/bin/python3
"""Parses T-SQL with sqlfluff's tsql dialect: every statement shape the program sends
(the JSON file written by tst_statement_shapes) and the SQL Server scripts.

sqlfluff 1.4.5 (Debian 12) lacks two constructs that SQL Server accepts; they are
rewritten or checked here, each one named in the output, never dropped silently:
  * a procedure called without EXEC as the first statement of a batch
    ("sp_Inv_UserLocation '1001'"): parsed as "EXEC sp_Inv_UserLocation '1001'",
    which SQL Server treats the same;
  * SET options that take a value instead of ON/OFF (SET LANGUAGE us_english,
    SET DATEFORMAT mdy, SET DATEFIRST 7): sqlfluff has no grammar for them, so they
    are held to their exact documented forms by the patterns below.
Usage: tsql_grammar.py SHAPES.json SCRIPT.sql...
"""
import json
import re
import sys

import sqlfluff
from sqlfluff.api.simple import APIParsingError

VALUE_SET_OPTIONS = [
    re.compile(r"SET LANGUAGE [A-Za-z_]+"),
    re.compile(r"SET DATEFORMAT (mdy|dmy|ymd|ydm|myd|dym)"),
    re.compile(r"SET DATEFIRST [1-7]"),
]
BARE_CALL = re.compile(r"sp_[A-Za-z0-9_]+(\s|$)")


def problems_of(sql):
    try:
        sqlfluff.parse(sql, dialect="tsql")
        return None
    except APIParsingError as error:
        return "; ".join(str(v.desc()) for v in error.violations) or str(error)


def main(shapes_file, scripts):
    failures = []
    notes = []
    with open(shapes_file, encoding="utf-8") as f:
        shapes = json.load(f)
    if not shapes:
        failures.append(f"{shapes_file} holds no statements")
    for shape in shapes:
        kind, sql = shape["kind"], shape["sql"]
        parsed = sql
        if any(p.fullmatch(sql) for p in VALUE_SET_OPTIONS):
            notes.append(f"[{kind}] checked by pattern (no sqlfluff grammar): {sql}")
            continue
        if BARE_CALL.match(sql):
            parsed = "EXEC " + sql
            notes.append(f"[{kind}] parsed with EXEC in front: {sql}")
        problem = problems_of(parsed)
        if problem:
            failures.append(f"[{kind}] {sql}\n    {problem}")
    for script in scripts:
        with open(script, encoding="utf-8") as f:
            problem = problems_of(f.read())
        if problem:
            failures.append(f"[script] {script}\n    {problem}")
    for note in notes:
        print(note)
    by_pattern = sum(1 for n in notes if "checked by pattern" in n)
    print(f"{len(shapes) - by_pattern} statement shapes and {len(scripts)} scripts parsed with sqlfluff "
          f"{sqlfluff.__version__} (tsql), {by_pattern} held to their patterns")
    for failure in failures:
        print("NOT T-SQL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
