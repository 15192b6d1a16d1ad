#!/usr/bin/python3
"""Prints what an .xlsx file holds, as the tests read it back with openpyxl: one line per
sheet, cell and fitted column, fields separated by tabs, values as JSON.

  sheet <TAB> index <TAB> name <TAB> active (1/0)
  cell  <TAB> A1 <TAB> kind <TAB> value      kind: n number, d date (value "YYYY-MM-DD"),
                                             t duration (value: whole seconds),
                                             s text, f formula, b boolean, o other
  width <TAB> A <TAB> width
  entry <TAB> name <TAB> method <TAB> speed  as the zip container stores the file: method
                                             8 deflated, 0 stored; deflate option 0 normal,
                                             1 maximum, 2 fast, 3 fastest
"""
import datetime
import json
import sys
import zipfile

import openpyxl


def kind_and_value(cell):
    value = cell.value
    if cell.data_type == "f":
        return "f", str(value)
    if isinstance(value, bool):
        return "b", value
    if isinstance(value, datetime.timedelta):
        return "t", int(round(value.total_seconds()))
    if isinstance(value, datetime.datetime):
        return "d", value.date().isoformat()
    if isinstance(value, datetime.time):
        return "t", value.hour * 3600 + value.minute * 60 + value.second
    if isinstance(value, (int, float)):
        return "n", int(value) if float(value).is_integer() else value
    if isinstance(value, str):
        return "s", value
    return "o", repr(value)


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    out = sys.stdout
    for index, sheet in enumerate(book.worksheets):
        active = 1 if sheet.title == book.active.title else 0
        out.write("sheet\t%d\t%s\t%d\n" % (index + 1, json.dumps(sheet.title), active))
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                kind, value = kind_and_value(cell)
                out.write("cell\t%s\t%s\t%s\n" % (cell.coordinate, kind, json.dumps(value)))
        for letter, dimension in sorted(sheet.column_dimensions.items()):
            if dimension.customWidth and dimension.width:
                out.write("width\t%s\t%g\n" % (letter, dimension.width))
    with zipfile.ZipFile(sys.argv[1]) as container:
        for info in container.infolist():
            out.write("entry\t%s\t%d\t%d\n" % (info.filename, info.compress_type,
                                                (info.flag_bits >> 1) & 3))


if __name__ == "__main__":
    main()
