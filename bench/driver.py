"""Generates the bases, runs the benchmarks and the outside references, prints the table and
writes bench/out/figures.json. Started by bench/run after the release build."""

import json
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-release")
OUT = os.path.join(ROOT, "bench", "out")
BASES = os.path.join(OUT, "bases")
QBTOOL = os.path.join(BUILD, "bench", "qbtool")
QBBENCH = os.path.join(BUILD, "bench", "qbbench")
QBMEM = os.path.join(BUILD, "bench", "qbmem")
QBMEM_EXPORTER = os.path.join(BUILD, "bench", "qbmem-exporter")
SIZES = [int(s) for s in os.environ.get("QBBENCH_SIZES", "1000,10000,100000").split(",")]
PASSWORD = "bench2024"
BUILT_IN_KEY = "x'94620bb22e1cdd9517897216a164baf79570e3c2a0fa9bd7a5344fe3dec858ab'"
COLUMNS = '"вопрос", "ответ1", "ответ2", "ответ3", "ответ4", "ответ5", "верный"'

ENV = dict(os.environ, QBBENCH_BASES=BASES, QBBENCH_PASSWORD=PASSWORD,
           QT_QPA_PLATFORM="offscreen", LANG="ru_RU.UTF-8", LC_ALL="ru_RU.UTF-8")


def log(text):
    print(text, file=sys.stderr, flush=True)


def base_dir(n, password):
    return os.path.join(BASES, "%s-%d" % ("password" if password else "plain", n))


def base_path(n, password):
    return os.path.join(base_dir(n, password), "base.mdb")


def generate():
    """Makes each base unless one made by the current qbtool is already there."""
    tool_time = os.path.getmtime(QBTOOL)
    for n in SIZES:
        for password in (False, True):
            folder = base_dir(n, password)
            path = base_path(n, password)
            dump = os.path.join(folder, "dump.jsonl")
            if os.path.exists(dump) and os.path.getmtime(path) > tool_time:
                continue
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            args = [QBTOOL, "generate", "--questions", str(n),
                    "--pictures", os.path.join(folder, "pics")]
            if password:
                args += ["--password", PASSWORD]
            start = time.perf_counter()
            subprocess.run(args + [path], check=True, env=ENV)
            log("generated %s in %.1f s" % (path, time.perf_counter() - start))
            if not password:
                with open(dump, "w", encoding="utf-8") as out:
                    subprocess.run([QBTOOL, "dump", path], check=True, env=ENV, stdout=out)
            else:
                with open(dump, "w") as out:
                    out.write("")


FORTY = 40


def generate_forty():
    """The 40-question base with pictures the print of 30 variants is measured on."""
    folder = base_dir(FORTY, False)
    path = base_path(FORTY, False)
    if os.path.exists(path) and os.path.getmtime(path) > os.path.getmtime(QBTOOL):
        return
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    subprocess.run([QBTOOL, "generate", "--questions", str(FORTY), "--pictures",
                    os.path.join(folder, "pics"), path], check=True, env=ENV)


def pdf_pages(path):
    result = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True)
    for line in result.stdout.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return None


def soffice_reference(runs):
    """LibreOffice turning the print's .docx into a PDF, as a teacher without our PDF would;
    and the page count it renders beside ours. The first conversion sets up its profile and is
    not counted."""
    soffice = shutil.which("soffice")
    docx = os.path.join(base_dir(FORTY, False), "print.docx")
    if soffice is None or not os.path.exists(docx):
        return {"ms": None, "cpu_ms": None, "skipped": "no soffice or no print.docx"}
    outdir = os.path.join(OUT, "soffice")
    os.makedirs(outdir, exist_ok=True)
    profile = "file://" + os.path.join(OUT, "soffice-profile")
    command = [soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
               "--outdir", outdir, docx]
    walls, cpus = [], []
    for run in range(runs + 1):
        result, wall, cpu = timed_child(command, env=ENV, capture_output=True)
        if result.returncode != 0:
            raise RuntimeError("soffice failed: %s" % result.stderr)
        if run:
            walls.append(wall)
            cpus.append(cpu)
    return {"ms": statistics.median(walls) * 1000, "cpu_ms": statistics.median(cpus) * 1000,
            "runs": runs, "pages": pdf_pages(os.path.join(outdir, "print.pdf")),
            "our_pages": pdf_pages(os.path.join(base_dir(FORTY, False), "print.pdf"))}


def timed_child(command, **kwargs):
    """Wall and CPU seconds (user + system of the children) of one command."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(command, **kwargs)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return result, wall, cpu


def cli_text_reference(n, password, runs):
    """The sqlcipher command-line tool selecting the exported columns, through iconv."""
    key = "'%s'" % PASSWORD if password else '"%s"' % BUILT_IN_KEY
    sql = os.path.join(OUT, "reference.sql")
    with open(sql, "w", encoding="utf-8") as out:
        out.write("PRAGMA key = %s;\nPRAGMA cipher_page_size = 1024;\nPRAGMA kdf_iter = 64000;\n"
                  'SELECT %s FROM test ORDER BY "номер";\n' % (key, COLUMNS))
    target = os.path.join(OUT, "reference.txt")
    command = "sqlcipher -batch '%s' < '%s' | iconv -f UTF-8 -t CP1251 > '%s'" % (
        base_path(n, password), sql, target)
    walls, cpus = [], []
    for _ in range(runs):
        result, wall, cpu = timed_child(command, shell=True, env=ENV)
        if result.returncode != 0 or os.path.getsize(target) == 0:
            raise RuntimeError("the command-line reference failed: " + command)
        walls.append(wall)
        cpus.append(cpu)
    return {"ms": statistics.median(walls) * 1000, "cpu_ms": statistics.median(cpus) * 1000,
            "bytes": os.path.getsize(target), "runs": runs}


def docx_reference(n, pictures, runs):
    folder = base_dir(n, False)
    target = os.path.join(OUT, "reference.docx")
    walls, cpus, size = [], [], 0
    for _ in range(runs):
        result, _, _ = timed_child(
            ["/usr/bin/python3", os.path.join(ROOT, "bench", "docx_reference.py"),
             os.path.join(folder, "dump.jsonl"), folder, target,
             "pictures" if pictures else "none"],
            check=True, capture_output=True, text=True)
        figures = json.loads(result.stdout)
        walls.append(figures["seconds"])
        cpus.append(figures["cpu_seconds"])
        size = figures["bytes"]
    return {"ms": statistics.median(walls) * 1000, "cpu_ms": statistics.median(cpus) * 1000,
            "bytes": size, "runs": runs}


def run_benchmarks():
    raw = os.path.join(OUT, "qbbench.json")
    subprocess.run([QBBENCH, "--benchmark_out=" + raw, "--benchmark_out_format=json",
                    "--benchmark_format=console"], check=True, env=ENV, stdout=sys.stderr)
    with open(raw, encoding="utf-8") as f:
        data = json.load(f)
    def name(entry):
        return entry["run_name"].split("/iterations:")[0]

    figures = {}
    for entry in data["benchmarks"]:
        if entry.get("aggregate_name") != "median":
            continue
        if entry.get("error_occurred"):
            figures[name(entry)] = {"error": entry.get("error_message", "")}
            continue
        figures[name(entry)] = {
            "ms": entry["real_time"], "cpu_ms": entry.get("cpu_ms"),
            "repetitions": entry.get("repetitions"), "iterations": entry.get("iterations"),
            "bytes": entry.get("bytes"), "first_ms": entry.get("first_ms"),
            "found": entry.get("found"), "lines_read": entry.get("lines_read"),
            "forms": entry.get("forms"), "asked": entry.get("asked")}
    for entry in data["benchmarks"]:
        if entry.get("error_occurred") and name(entry) not in figures:
            figures[name(entry)] = {"error": entry.get("error_message", "")}
    return figures, data.get("context", {})


def peak_memory(mode, n, password):
    program = QBMEM_EXPORTER if mode == "word" else QBMEM
    args = [program, mode, base_path(n, password)] + ([PASSWORD] if password else [])
    result = subprocess.run(args, check=True, env=ENV, capture_output=True, text=True)
    return json.loads(result.stdout.strip().splitlines()[-1])


def verdict(value, limit):
    if value is None:
        return "n/a"
    return "met" if value <= limit else "MISSED"


def main():
    os.makedirs(BASES, exist_ok=True)
    started = time.perf_counter()
    generate()
    generate_forty()
    log("running the benchmarks")
    bench, context = run_benchmarks()

    references = {"text_cli": {}, "docx_python": {}}
    for n in SIZES:
        for password in (False, True):
            label = "%d/%s" % (n, "password" if password else "plain")
            references["text_cli"][label] = cli_text_reference(n, password, 5 if n < 100000 else 3)
        # python-docx reads the dump, so the password makes no difference to it; its runs are
        # long, so the larger sizes get one run each, and the largest is built without pictures
        # only (with its 20,000 pictures it alone would take minutes).
        for pictures in (False, True):
            label = "%d/%s" % (n, "pictures" if pictures else "no_pictures")
            if pictures and n >= 100000:
                references["docx_python"][label] = {"ms": None, "cpu_ms": None,
                                                    "skipped": "too long for the run"}
                continue
            log("python-docx " + label)
            references["docx_python"][label] = docx_reference(n, pictures, 3 if n <= 1000 else 1)

    log("LibreOffice converting the printed variants")
    references["soffice_print"] = soffice_reference(3)

    memory = {}
    largest = max(SIZES)
    for password in (False, True):
        tag = "password" if password else "plain"
        memory["editor/%d/%s" % (largest, tag)] = peak_memory("editor", largest, password)
    memory["editor_list/%d/plain" % largest] = peak_memory("editor-list", largest, False)
    memory["word_export/%d/plain" % largest] = peak_memory("word", largest, False)
    # The scans qbbench made beside the 40-question base, graded once and five times over: the
    # peak must not follow the number of pages.
    scans = os.path.join(base_dir(FORTY, False), "scans")
    for times in (1, 5):
        result = subprocess.run([QBMEM_EXPORTER, "grade", base_path(FORTY, False), scans, str(times)],
                                check=True, env=ENV, capture_output=True, text=True)
        memory["grade/%d_pages" % (100 * times)] = json.loads(
            result.stdout.strip().splitlines()[-1])

    def fig(name, key="ms"):
        return bench.get(name, {}).get(key)

    rows = []
    for n in SIZES:
        for tag in ("plain", "password"):
            tail = "%d/%s" % (n, tag)
            rows.append([n, tag,
                         fig("editor_open/" + tail), fig("editor_forward/" + tail),
                         fig("editor_create/" + tail), fig("exporter_open/" + tail),
                         fig("text_export/" + tail), references["text_cli"][tail]["ms"],
                         fig("word_export/%s/no_pictures" % tail),
                         references["docx_python"]["%d/no_pictures" % n]["ms"],
                         fig("word_export/%s/pictures" % tail),
                         references["docx_python"]["%d/pictures" % n]["ms"]])

    targets = []

    def ratio(a, b):
        return a / b if a is not None and b else None

    def target(name, value, limit, cpu_value=None, unit=""):
        targets.append({"target": name, "value": value, "limit": limit, "unit": unit,
                        "verdict": verdict(value, limit),
                        "cpu_value": cpu_value,
                        "cpu_verdict": verdict(cpu_value, limit) if cpu_value is not None else None})

    def size_ratio(name, tag, limit, label):
        """A figure at the largest size over the same figure at the smallest."""
        target("%s %d / %d, %s" % (label, big, small, tag),
               ratio(fig("%s/%d/%s" % (name, big, tag)), fig("%s/%d/%s" % (name, small, tag))),
               limit,
               ratio(fig("%s/%d/%s" % (name, big, tag), "cpu_ms"),
                     fig("%s/%d/%s" % (name, small, tag), "cpu_ms")))

    big = largest
    small = min(SIZES)
    target("open + show question 1, %d, no password (ms)" % big,
           fig("editor_open/%d/plain" % big), 50, fig("editor_open/%d/plain" % big, "cpu_ms"))
    target("open + show question 1, %d, password (ms)" % big,
           fig("editor_open/%d/password" % big), 100,
           fig("editor_open/%d/password" % big, "cpu_ms"))
    # Opening costs the same in a base of any size.
    size_ratio("editor_open", "plain", 2.0, "editor open + show question 1")
    size_ratio("editor_open", "password", 1.3, "editor open + show question 1")
    size_ratio("exporter_open", "plain", 2.0, "exporter open")
    size_ratio("exporter_open", "password", 2.0, "exporter open")
    # A password costs one key derivation: the editor opens a small base with it in about the
    # time the command-line tool takes to open and dump the same base.
    cli_small = references["text_cli"]["%d/password" % small]
    target("editor open %d, password / sqlcipher dump of it, password" % small,
           ratio(fig("editor_open/%d/password" % small), cli_small["ms"]), 1.2,
           ratio(fig("editor_open/%d/password" % small, "cpu_ms"), cli_small["cpu_ms"]))
    for tag in ("plain", "password"):
        size_ratio("editor_create", tag, 1.5, "new question")
    for tag in ("plain", "password"):
        for n in SIZES:
            target("\"Вперед\" step, %d, %s (ms)" % (n, tag),
                   fig("editor_forward/%d/%s" % (n, tag)), 5,
                   fig("editor_forward/%d/%s" % (n, tag), "cpu_ms"))

        target("step(%d) / step(%d), %s" % (big, small, tag),
               ratio(fig("editor_forward/%d/%s" % (big, tag)),
                     fig("editor_forward/%d/%s" % (small, tag))), 1.5,
               ratio(fig("editor_forward/%d/%s" % (big, tag), "cpu_ms"),
                     fig("editor_forward/%d/%s" % (small, tag), "cpu_ms")))
        # The whole-base check reads every question as the export does and adds the remarks,
        # near-duplicates and spelling included (each distinct word looked up once, none known
        # before the check): within a few exports' time.
        target("base check with spelling %d / text export %d, %s" % (big, big, tag),
               ratio(fig("base_check/%d/%s" % (big, tag)), fig("text_export/%d/%s" % (big, tag))),
               6.0,
               ratio(fig("base_check/%d/%s" % (big, tag), "cpu_ms"),
                     fig("text_export/%d/%s" % (big, tag), "cpu_ms")))
        cli = references["text_cli"]["%d/%s" % (big, tag)]
        target("text export %d / command-line reference, %s" % (big, tag),
               ratio(fig("text_export/%d/%s" % (big, tag)), cli["ms"]), 1.0,
               ratio(fig("text_export/%d/%s" % (big, tag), "cpu_ms"), cli["cpu_ms"]))
    # The find reads every question as the export does, a slice of 30 ms at a time, looking up
    # the words that begin as a wanted word does (none known before the find).
    find_big = "find/%d/plain" % big
    target("find %d / text export %d, plain" % (big, big),
           ratio(fig(find_big), fig("text_export/%d/plain" % big)), 1.0,
           ratio(fig(find_big, "cpu_ms"), fig("text_export/%d/plain" % big, "cpu_ms")))
    target("find %d, first results (ms)" % big, fig(find_big, "first_ms"), 100)
    # The list window reads only the lines in view, so opening it costs about the same at any
    # size: judged right after opening the base, before the idle time has walked the ids of
    # the rows (a user may open the list at once), and after it.
    for when, label in (("list_open", "right after opening"), ("list_open_idle", "after idle")):
        target("list window open %d / %d, %s" % (big, small, label),
               ratio(fig("%s/%d/plain" % (when, big)), fig("%s/%d/plain" % (when, small))), 2.0,
               ratio(fig("%s/%d/plain" % (when, big), "cpu_ms"),
                     fig("%s/%d/plain" % (when, small), "cpu_ms")))
    # Ctrl+End reads the lines that come into view: a screenful, not the base.
    target("list lines read by Ctrl+End, %d" % big,
           fig("list_end/%d/plain" % big, "lines_read"), 100)
    for n in SIZES:
        for pictures in ("no_pictures", "pictures"):
            ref = references["docx_python"]["%d/%s" % (n, pictures)]
            ours = fig("word_export/%d/plain/%s" % (n, pictures))
            ours_cpu = fig("word_export/%d/plain/%s" % (n, pictures), "cpu_ms")
            # At most 0.1 of python-docx's time: at least ten times faster.
            target("Word export / python-docx, %d, %s" % (n, pictures.replace("_", " ")),
                   ratio(ours, ref["ms"]), 0.1, ratio(ours_cpu, ref["cpu_ms"]))
    # The other formats read the rows as the text export does; Moodle XML also embeds a copy of
    # each question's picture, so it writes many times the bytes.
    text_big = "text_export/%d/plain" % big
    for name, limit in (("GIFT", 3.0), ("Aiken", 3.0), ("Moodle XML", 6.0)):
        ours = "exchange_export/%s/%d/plain" % (name, big)
        target("%s export / text export, %d" % (name, big), ratio(fig(ours), fig(text_big)),
               limit, ratio(fig(ours, "cpu_ms"), fig(text_big, "cpu_ms")))
    # Printing 30 variants of 40 questions with sheets writes the PDF and the .docx in at most
    # half the time LibreOffice takes to turn that .docx into a PDF; a draw of 10 × 50 from the
    # largest base reads the ids and the drawn rows only, and writes their variants and key
    # within a text export of the base (the sheets' own cost is printed below the targets).
    lo = references["soffice_print"]
    target("print 30 × 40, .docx + PDF / LibreOffice's conversion of the .docx",
           ratio(fig("print_forty"), lo.get("ms")), 0.5,
           ratio(fig("print_forty", "cpu_ms"), lo.get("cpu_ms")))
    target("print 10 × 50 drawn from %d / text export %d" % (big, big),
           ratio(fig("print_draw/%d/plain" % big), fig(text_big)), 1.0,
           ratio(fig("print_draw/%d/plain" % big, "cpu_ms"), fig(text_big, "cpu_ms")))
    # The import of questions: a bank of 10,000 questions with 2,000 distinct JPEG pictures
    # within a few of its own Moodle XML exports; pictures sharing one name cost what as many
    # names do.
    target("import Moodle XML 10000 with 2000 pictures / its Moodle XML export",
           ratio(fig("import/moodle_xml/10000"), fig("import/moodle_xml_export/10000")), 3.0,
           ratio(fig("import/moodle_xml/10000", "cpu_ms"),
                 fig("import/moodle_xml_export/10000", "cpu_ms")))
    target("import 5000 pictures of one name / of 5000 names",
           ratio(fig("import/one_name/5000"), fig("import/distinct_names/5000")), 1.5,
           ratio(fig("import/one_name/5000", "cpu_ms"), fig("import/distinct_names/5000", "cpu_ms")))
    for password in ("plain", "password"):
        m = memory["editor/%d/%s" % (big, password)]
        target("editor peak RSS, %d open, %s (MB)" % (big, password), m["peak_kib"] / 1024, 60)
    m = memory["editor_list/%d/plain" % big]
    target("editor peak RSS, %d open, list scrolled to the end (MB)" % big,
           m["peak_kib"] / 1024, 80)
    m = memory["word_export/%d/plain" % big]
    target("exporter peak RSS, %d Word export with pictures (MB)" % big, m["peak_kib"] / 1024, 200)
    target("grade 100 scans at 200 dpi / Qt's decode of the same PNG files",
           ratio(fig("grade_scans"), fig("grade_decode")), 5.0,
           ratio(fig("grade_scans", "cpu_ms"), fig("grade_decode", "cpu_ms")))
    for pages in (100, 500):
        target("grading peak RSS, %d pages (MB)" % pages,
               memory["grade/%d_pages" % pages]["peak_kib"] / 1024, 300)

    elapsed = time.perf_counter() - started
    try:
        load = os.getloadavg()
    except OSError:
        load = None
    # What a password adds to opening the store: the key derivation.
    derivation = None
    if fig("store_open/password") is not None and fig("store_open/built_in") is not None:
        derivation = fig("store_open/password") - fig("store_open/built_in")
    result = {"sizes": SIZES, "benchmarks": bench, "key_derivation_ms": derivation,
              "references": references, "memory": memory, "targets": targets,
              "load_average": load, "seconds": elapsed,
              "machine": {k: context.get(k) for k in ("num_cpus", "mhz_per_cpu", "host_name")}}
    with open(os.path.join(OUT, "figures.json"), "w", encoding="utf-8") as out:
        json.dump(result, out, ensure_ascii=False, indent=2)

    def cell(value, digits=1):
        return "-" if value is None else ("%.*f" % (digits, value))

    header = ["questions", "key", "open+show", "Вперед", "new question", "exporter open",
              "text export", "sqlcipher|iconv", "Word", "python-docx", "Word+pics",
              "python-docx+pics"]
    print("Median wall times in ms (median of the repetitions; references in the same run)")
    widths = [max(len(h), 10) for h in header]
    print("  ".join(h.rjust(w) for h, w in zip(header, widths)))
    for row in rows:
        cells = [str(row[0]), row[1]] + [cell(v, 2 if i < 3 else 1)
                                         for i, v in enumerate(row[2:])]
        print("  ".join(c.rjust(w) for c, w in zip(cells, widths)))
    print()
    print("Targets (wall time; the CPU-time verdict is given beside it because the machine is "
          "shared)")
    for t in targets:
        cpu = "" if t["cpu_value"] is None else "   cpu %s -> %s" % (cell(t["cpu_value"], 3),
                                                                     t["cpu_verdict"])
        print("  %-62s %10s  limit %-6s %-7s%s" % (t["target"], cell(t["value"], 3),
                                                   t["limit"], t["verdict"], cpu))
    print()
    print("Key derivation: %s ms (the store opened with the password %s ms, with the built-in key "
          "%s ms)" % (cell(derivation, 2), cell(fig("store_open/password"), 2),
                      cell(fig("store_open/built_in"), 2)))
    print("Find, the same search again with its words remembered: %s" % ", ".join(
        "%d: %s ms" % (n, cell(fig("find_again/%d/plain" % n))) for n in SIZES))
    print("List window: " + ", ".join(
        "%d: open %s ms right after opening, %s ms after idle, Ctrl+End %s ms reading %s lines" % (
            n, cell(fig("list_open/%d/plain" % n)), cell(fig("list_open_idle/%d/plain" % n)),
            cell(fig("list_end/%d/plain" % n)), cell(fig("list_end/%d/plain" % n, "lines_read"), 0))
        for n in SIZES))
    print("Printed variants: ours %s ms for %s pages; LibreOffice %s ms for the .docx, %s pages;"
          " 10 × 50 drawn from %d: %s ms, %s ms with answer sheets"
          % (cell(fig("print_forty")), lo.get("our_pages"), cell(lo.get("ms")),
             lo.get("pages"), big, cell(fig("print_draw/%d/plain" % big)),
             cell(fig("print_draw_sheets/%d/plain" % big))))
    print("Grading: %s ms for 100 scans (%s forms, %s places asked), Qt decodes them in %s ms"
          % (cell(fig("grade_scans")), cell(fig("grade_scans", "forms"), 0),
             cell(fig("grade_scans", "asked"), 0), cell(fig("grade_decode"))))
    print("Peak RSS: " + ", ".join("%s %.1f MB" % (k, v["peak_kib"] / 1024)
                                  for k, v in memory.items()))
    print("load average at the end: %s; the run took %.0f s; figures in %s" % (
        "n/a" if load is None else "%.1f %.1f %.1f" % load, elapsed,
        os.path.join(OUT, "figures.json")))


if __name__ == "__main__":
    main()
