"""Reads a saved answer the way other programs do and prints what it saw as JSON, for
tst_ExportResult.  `dbf FILE`: python3-dbfread's fields and rows.  `xlsx FILE`: the cells
of the first sheet, read from the zip and XML with the standard library.

Run with /usr/bin/python3: Debian's python3-dbfread installs there.
"""
import json
import sys
import xml.etree.ElementTree as ET
import zipfile


def read_dbf(path):
    from dbfread import DBF
    t = DBF(path, load=True)
    rows = [[None if v is None else str(v) for v in r.values()] for r in t.records]
    return {"encoding": t.encoding, "fields": [[f.name, f.type, f.length] for f in t.fields], "rows": rows}


def read_xlsx(path):
    main = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
    z = zipfile.ZipFile(path)
    shared = []
    if "xl/sharedStrings.xml" in z.namelist():
        for si in ET.fromstring(z.read("xl/sharedStrings.xml")).iter(main + "si"):
            shared.append("".join(t.text or "" for t in si.iter(main + "t")))
    rows = []
    for row in ET.fromstring(z.read("xl/worksheets/sheet1.xml")).iter(main + "row"):
        cells = []
        for c in row.iter(main + "c"):
            kind = c.get("t")
            if kind == "s":
                cells.append(shared[int(c.find(main + "v").text)])
            elif kind in ("inlineStr", "str"):
                cells.append("".join(x.text or "" for x in c.iter(main + "t")))
            else:
                cells.append({"n": float(c.find(main + "v").text)})
        rows.append(cells)
    return rows


mode, path = sys.argv[1], sys.argv[2]
json.dump(read_dbf(path) if mode == "dbf" else read_xlsx(path), sys.stdout)
