"""Dumps an .xlsx workbook's first sheet with openpyxl, as an independent reader for the tests.

Output, one item a line (texts as hex of their UTF-8 bytes, so that any character survives):
  sheets <count>
  title <hex>
  freeze <cell or ->
  filter <range or ->
  width <column number> <width>          for every column with a set width
  row <cell> <cell> ...                  every row up to the last, padded to the last column;
                                         a cell is "-" (empty), "s:<hex>" (text, unescaped as
                                         spreadsheet programs do), "n:<value>" (a number) or
                                         "o:<hex>" (anything else), followed by "*" when bold
"""
import re
import sys

import openpyxl

ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")


def hexed(text):
    return text.encode("utf-8").hex() or "''"


def cell(c):
    bold = "*" if c.font is not None and c.font.b else ""
    if c.value is None:
        return "-" + bold
    if isinstance(c.value, str):
        return "s:" + hexed(ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), c.value)) + bold
    if isinstance(c.value, (int, float)) and not isinstance(c.value, bool):
        return "n:" + repr(c.value) + bold
    return "o:" + hexed(str(c.value)) + bold


def main(path):
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    print("sheets", len(book.worksheets))
    print("title", hexed(sheet.title))
    print("freeze", sheet.freeze_panes or "-")
    print("filter", sheet.auto_filter.ref or "-")
    for key, dim in sorted(sheet.column_dimensions.items()):
        if dim.customWidth and dim.width:
            for col in range(dim.min or 0, (dim.max or 0) + 1):
                print("width", col, dim.width)
    if sheet.max_row == 1 and sheet.max_column == 1 and sheet.cell(1, 1).value is None:
        return
    for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
        print("row", " ".join(cell(c) for c in row))


if __name__ == "__main__":
    main(sys.argv[1])
