"""Writes a .dbf with python-dbf, for tst_peertables: a writer nobody here wrote.

Run with /usr/bin/python3 (Debian's python3-dbf installs there). Standard input is JSON:
{"path": ..., "type": "vfp" | "db3" | "fp", "codepage": "cp1252", "fields": "name C(20) NULL; ...",
 "rows": [[value, ...], ...], "deleted": [row index, ...]}
Values: null, text, numbers, true/false, {"date": "yyyy-mm-dd"},
{"datetime": "yyyy-mm-dd hh:mm:ss"}, {"decimal": "12.34"}.
"""
import datetime
import json
import sys
from decimal import Decimal

import dbf


def value(v):
    if isinstance(v, dict):
        if "date" in v:
            return datetime.date.fromisoformat(v["date"])
        if "datetime" in v:
            return datetime.datetime.fromisoformat(v["datetime"])
        if "decimal" in v:
            return Decimal(v["decimal"])
    return v


request = json.load(sys.stdin)
table = dbf.Table(request["path"], request["fields"], dbf_type=request["type"], codepage=request["codepage"])
table.open(dbf.READ_WRITE)
for row in request["rows"]:
    table.append(tuple(value(v) for v in row))
for index in request.get("deleted", []):
    dbf.delete(table[index])
table.close()
