"""Reads a .dbf with dbfread and prints what it saw as JSON, for tst_dbftable.

Run with /usr/bin/python3: Debian's python3-dbfread installs there.
"""
import datetime
import json
import sys

from dbfread import DBF


def value(v):
    if v is None:
        return None
    if isinstance(v, bool):  # before int: bool is an int
        return {"bool": v}
    if isinstance(v, int):
        return {"int": v}
    if isinstance(v, float):
        return {"float": repr(v)}
    if isinstance(v, datetime.date):
        return {"date": v.isoformat()}
    return {"text": str(v)}


table = DBF(sys.argv[1], load=True)
json.dump({
    "encoding": table.encoding,
    "fields": [[f.name, f.type, f.length, f.decimal_count] for f in table.fields],
    "records": [[value(v) for v in r.values()] for r in table.records],
    "deleted": len(table.deleted),
}, sys.stdout)
