"""The same document built with python-docx, as a user could script it instead of the exporter.

Reads the questions from a `qbtool dump` file (JSON lines, not timed) and times building and
saving the document: per question a paragraph for each non-empty field, the question two font
steps above the options (16 pt against 12 pt), "*" before the correct option and three spaces
before the others, the picture with a paragraph end when asked for, and an empty paragraph.
Prints {"seconds": ..., "cpu_seconds": ..., "bytes": ...}.
"""

import json
import os
import sys
import time

import docx
from docx.shared import Pt

QUESTION_PT = Pt(16)
OPTION_PT = Pt(12)


def load(dump_path):
    rows = []
    with open(dump_path, encoding="utf-8") as dump:
        for line in dump:
            row = json.loads(line)
            if "вопрос" in row:
                rows.append(row)
    return rows


def build(rows, base_folder, pictures, out_path):
    document = docx.Document()
    fmt = document.styles["Normal"].paragraph_format
    fmt.space_before = Pt(0)
    fmt.space_after = Pt(0)
    fmt.widow_control = True
    fmt.keep_with_next = False
    fmt.keep_together = False
    fmt.page_break_before = False
    # Paragraphs go in before an end marker: python-docx's add_paragraph looks for the section
    # properties among all body children on every call, which makes a long document quadratic.
    end = document.add_paragraph()

    def paragraph(text, size):
        for part in text.split("\r\n"):
            run = end.insert_paragraph_before().add_run(part)
            run.font.size = size

    for row in rows:
        correct = row.get("верный")
        fields = [row.get("вопрос")] + [row.get("ответ%d" % k) for k in range(1, 6)]
        for position, value in enumerate(fields, start=1):
            if not value:
                continue
            marked = correct == position - 1
            paragraph(("*" if marked else "   ") + value,
                      QUESTION_PT if position == 1 else OPTION_PT)
        picture = row.get("фото")
        if pictures and picture:
            path = os.path.join(base_folder, picture.replace("\\", os.sep))
            if os.path.isfile(path):
                end.insert_paragraph_before().add_run().add_picture(path)
        end.insert_paragraph_before()
    document.save(out_path)


def main():
    dump_path, base_folder, out_path, pictures = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
    rows = load(dump_path)
    start, start_cpu = time.perf_counter(), time.process_time()
    build(rows, base_folder, pictures == "pictures", out_path)
    seconds, cpu_seconds = time.perf_counter() - start, time.process_time() - start_cpu
    print(json.dumps({"seconds": seconds, "cpu_seconds": cpu_seconds,
                      "bytes": os.path.getsize(out_path)}))


if __name__ == "__main__":
    main()
