#!/usr/bin/env python3
"""Every example citra's help and README.md give, run on small files.

The examples come from the README's ```sh blocks (the lines starting with
"citra ") and from each command's help (`citra help COMMAND`, its
"Examples:" block). Each runs in a fresh copy of a scratch folder holding
the files the examples name (original.bmp, stego.png, covers/, stego/, ...)
and must end with the exit status its text gives ("exit status N"; 0 when
it gives none); a file it writes (-o, --plot, --summary=, >) must be there.
Then the statements of the help are checked against the tool: every
extension the help lists is read by every command, a MANIPULATED folder
stands for every image file in it, a study pairs files by name without
extension, report gives compare's usage errors, and two 24-bit bitmaps get
the desktop program's MSE and PSNR. Finally the manual page renders
without a warning and holds every example.

Usage: examples_test.py CITRA README.md citra.1 SCRATCH_PARENT
"""
import json
import math
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

CITRA, README, MANUAL, SCRATCH_PARENT = (os.path.abspath(path) for path in sys.argv[1:5])
FAILURES = []


def fail(message):
    FAILURES.append(message)
    print("FAIL: " + message, flush=True)


def citra(*args, cwd=None):
    return subprocess.run([CITRA, *args], cwd=cwd, capture_output=True, text=True, timeout=120)


# --- the examples ---------------------------------------------------------

def readme_examples():
    """(line, expected exit status) of each `citra ...` line in a ```sh block."""
    examples = []
    in_sh = False
    with open(README, encoding="utf-8") as readme:
        for line in readme:
            line = line.rstrip("\n")
            if line.startswith("```"):
                in_sh = line.strip() == "```sh"
                continue
            if in_sh and line.startswith("citra "):
                command, _, comment = line.partition("  #")
                examples.append((command.strip(), expected_status(comment)))
    return examples


def expected_status(text):
    match = re.search(r"exit status (\d+)", text)
    return int(match.group(1)) if match else 0


def help_commands():
    """The command names of the short help's "Commands:" list."""
    run = citra("--help")
    if run.returncode != 0:
        fail("citra --help exits with %d" % run.returncode)
    names = []
    lines = run.stdout.splitlines()
    start = lines.index("Commands:") + 1
    for line in lines[start:]:
        if not line.strip():
            break
        if line.startswith("  ") and not line.startswith("   "):
            names.append(line.split()[0])
    return names


def help_examples(name):
    """The examples of `citra help NAME`, after checking it equals `citra NAME --help`."""
    run = citra("help", name)
    if run.returncode != 0 or run.stderr:
        fail("citra help %s: exit %d, %r" % (name, run.returncode, run.stderr))
    if name != "help":
        other = citra(name, "--help")
        if other.stdout != run.stdout or other.returncode != 0:
            fail("citra %s --help differs from citra help %s" % (name, name))
    lines = run.stdout.splitlines()
    if "Examples:" not in lines:
        fail("citra help %s has no examples" % name)
        return []
    examples = []
    for i in range(lines.index("Examples:") + 1, len(lines)):
        line = lines[i]
        if not line.startswith("  "):
            break
        if line.startswith("  citra "):
            says = []
            j = i + 1
            while j < len(lines) and lines[j].startswith("      "):
                says.append(lines[j].strip())
                j += 1
            examples.append((line.strip(), expected_status(" ".join(says))))
    return examples


# --- the scratch files ----------------------------------------------------

def make_scratch(folder):
    """The files the examples name: bitmaps, PNG, PGM, JPEG, cover and stego folders."""
    rng = np.random.default_rng(7)
    original = rng.integers(0, 256, (24, 32, 3), dtype=np.uint8)
    stego = original.copy()
    stego[3:9, 4:12] ^= 1
    other = original.copy()
    other[10:20, 5:25] ^= 3

    def save(name, pixels):
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        image = Image.fromarray(pixels)
        if name.endswith(".pnm"):
            image.save(path, format="PPM")
        else:
            image.save(path)

    for name, pixels in [("original", original), ("stego", stego)]:
        for extension in ("bmp", "png"):
            save("%s.%s" % (name, extension), pixels)
        save(name + ".pgm", pixels[:, :, 1])
    save("stego1.bmp", stego)
    save("stego2.bmp", other)
    save("photo.jpg", original)
    for name, pixels in [("0001.bmp", original), ("0002.png", other), ("0003.ppm", original)]:
        save("covers/" + name, pixels)
    for stego_folder in ("stego", "stego-lsb", "stego-dct", "lsb", "pm1", "jpeg50"):
        for name, pixels in [("0001.bmp", stego), ("0002.png", stego), ("0003.jpg", other)]:
            save(stego_folder + "/" + name, pixels)
    with open(os.path.join(folder, "pairs.csv"), "w") as pairs:
        pairs.write("original,manipulated,group\noriginal.png,stego.png,lsb\ncovers/0002.png,stego/0002.png,lsb\n")
    return original, stego


def written_files(line):
    """The files an example line says it writes."""
    words = shlex.split(line, comments=True)
    files = []
    for i, word in enumerate(words):
        if word in ("-o", "--output", "--plot", ">") and i + 1 < len(words):
            files.append(words[i + 1])
        elif word.startswith("--summary="):
            files.append(word.split("=", 1)[1])
    return files


def run_example(template, work, line, status):
    folder = tempfile.mkdtemp(dir=work)
    shutil.rmtree(folder)
    shutil.copytree(template, folder)
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(CITRA)) + os.pathsep + os.environ["PATH"],
               SLURM_ARRAY_TASK_ID="2", SLURM_ARRAY_TASK_COUNT="16", LC_ALL="C")
    run = subprocess.run(["bash", "-c", line], cwd=folder, env=env, capture_output=True, text=True, timeout=120)
    if run.returncode != status:
        fail("%s: exit status %d, the text says %d\n%s" % (line, run.returncode, status, run.stderr[-600:]))
        return
    if status == 0:
        for name in written_files(line):
            if "$" in name:
                continue  # named by the shell
            path = os.path.join(folder, name)
            if not os.path.isfile(path) or os.path.getsize(path) == 0:
                fail("%s: wrote no %s" % (line, name))
    print("ok (%d): %s" % (status, line), flush=True)


# --- the statements of the help -------------------------------------------

def listed_extensions():
    """The extensions the short help lists after "any letter case:"."""
    text = " ".join(citra("--help").stdout.split())
    match = re.search(r"any letter case: ([a-z, ]+)\.", text)
    if not match:
        fail("the short help lists no extensions")
        return []
    return [extension.strip() for extension in match.group(1).split(",")]


def check_every_format(work, original):
    extensions = listed_extensions()
    folder = tempfile.mkdtemp(dir=work)
    for extension in extensions:
        for name, pixels in [("a", original), ("b", original[::-1].copy())]:
            path = os.path.join(folder, "%s.%s" % (name, extension.upper() if extension == "png" else extension))
            image = Image.fromarray(pixels)
            if extension == "pbm":
                image = image.convert("1")
            image.save(path, format="PPM" if extension == "pnm" else None)
        a = "a." + (extension.upper() if extension == "png" else extension)
        b = "b." + (extension.upper() if extension == "png" else extension)
        for args in (["info", a], ["histogram", a], ["--json", "histogram", a], ["--csv", "histogram", a],
                     ["compare", a, b], ["diff", a, b, "-o", "d.png"], ["report", a, b, "-o", "r.html"]):
            run = citra(*args, cwd=folder)
            if run.returncode != 0:
                fail("the help says every command reads .%s: citra %s exits %d: %s"
                     % (extension, " ".join(args), run.returncode, (run.stdout + run.stderr)[-300:]))

    # A MANIPULATED folder: every image file directly inside it.
    rgb = [e for e in extensions if e not in ("pbm", "pgm")]
    manipulated = os.path.join(folder, "manipulated")
    os.makedirs(os.path.join(manipulated, "sub"))
    for extension in rgb:
        Image.fromarray(original).save(os.path.join(manipulated, "m." + extension),
                                       format="PPM" if extension == "pnm" else None)
    Image.fromarray(original).save(os.path.join(manipulated, "sub", "deeper.png"))
    with open(os.path.join(manipulated, "notes.txt"), "w") as notes:
        notes.write("not an image\n")
    run = citra("--json", "compare", "a.bmp", "manipulated", cwd=folder)
    rows = [json.loads(line) for line in run.stdout.splitlines()]
    names = sorted(os.path.basename(row["manipulated"]) for row in rows)
    if names != sorted("m." + e for e in rgb):
        fail("a MANIPULATED folder should stand for %s, compare took %s" % (sorted("m." + e for e in rgb), names))

    # A study pairs by name without extension.
    for side, extension in (("covers", rgb[0]), ("stego", rgb[-1])):
        os.makedirs(os.path.join(folder, side))
        Image.fromarray(original).save(os.path.join(folder, side, "0001." + extension),
                                       format="PPM" if extension == "pnm" else None)
    run = citra("--json", "compare", "covers", "stego", cwd=folder)
    rows = [json.loads(line) for line in run.stdout.splitlines()]
    if run.returncode != 0 or len(rows) != 1 or "error" in rows[0]:
        fail("a study should pair covers/0001.%s with stego/0001.%s: %s" % (rgb[0], rgb[-1], run.stdout))

    # report takes compare's operands and gives its usage errors: the same
    # operands are refused, and a folder before a file with the same words.
    for operands in (["covers", "a.bmp"], ["a.bmp"], ["covers"]):
        compare = citra("compare", *operands, cwd=folder)
        report = citra("report", *operands, "-o", "r.html", cwd=folder)
        if compare.returncode != 2 or report.returncode != 2:
            fail("report %s exits %d, compare %d: both should be usage errors"
                 % (operands, report.returncode, compare.returncode))
        elif operands == ["covers", "a.bmp"] and compare.stderr != report.stderr:
            fail("report and compare refuse %s differently: %r, %r" % (operands, report.stderr, compare.stderr))
    report = citra("report", "covers", "stego", "-o", "r.html", cwd=folder)
    if report.returncode != 0 or not os.path.getsize(os.path.join(folder, "r.html")):
        fail("report covers stego: exit %d %s" % (report.returncode, report.stderr))


def check_desktop_numbers(work, original, stego):
    """Two 24-bit bitmaps: MSE over the three bytes of a pixel, PSNR 10 log10(65025 / (MSE + 1e-6))."""
    folder = tempfile.mkdtemp(dir=work)
    Image.fromarray(original).save(os.path.join(folder, "o.bmp"))
    Image.fromarray(stego).save(os.path.join(folder, "s.bmp"))
    row = json.loads(citra("--json", "compare", "o.bmp", "s.bmp", cwd=folder).stdout)
    difference = original.astype(np.int64) - stego.astype(np.int64)
    mse = float((difference ** 2).sum(axis=2).mean())
    psnr = 10 * math.log10(65025 / (mse + 1e-6))
    if not math.isclose(row["mse"], mse, rel_tol=1e-12) or not math.isclose(row["psnr"], psnr, rel_tol=1e-12):
        fail("the desktop numbers: citra %s/%s, the help's formulas %s/%s" % (row["mse"], row["psnr"], mse, psnr))
    below = row["standard"]["psnr"] - row["psnr"]
    if abs(below - 10 * math.log10(3)) > 1e-4:
        fail("the desktop PSNR should be 4.77 dB below the per-sample one, it is %s" % below)


def check_manual(examples):
    if not os.path.isfile(MANUAL):
        fail("no manual page at " + MANUAL)
        return
    groff = shutil.which("groff")
    if groff:
        run = subprocess.run([groff, "-man", "-ww", "-z", "-Tutf8", MANUAL], capture_output=True, text=True)
        if run.returncode != 0 or run.stderr:
            fail("groff warns about the manual page: " + run.stderr)
    with open(MANUAL, encoding="utf-8") as page:
        roff = page.read()
    for line, _ in examples:
        if line.replace("\\", "\\e").replace("-", "\\-") not in roff:
            fail("the manual page lacks the example " + line)
    version = citra("--version").stdout.split()[1]
    if '"citra %s"' % version not in roff:
        fail("the manual page is not of citra " + version)


def main():
    work = tempfile.mkdtemp(prefix="examples-", dir=SCRATCH_PARENT)
    try:
        template = os.path.join(work, "template")
        os.makedirs(template)
        original, stego = make_scratch(template)

        readme = readme_examples()
        if len(readme) < 10:
            fail("README.md gives only %d citra examples in ```sh blocks" % len(readme))
        from_help = []
        commands = help_commands()
        for name in ("info", "histogram", "compare", "measure", "diff", "report", "help"):
            if name not in commands:
                fail("the short help does not list " + name)
        for name in commands:
            from_help += help_examples(name)
        for line, status in readme + from_help:
            run_example(template, work, line, status)

        check_every_format(work, original)
        check_desktop_numbers(work, original, stego)
        check_manual(from_help)
        print("%d README examples, %d help examples" % (len(readme), len(from_help)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if FAILURES:
        print("%d failures" % len(FAILURES))
        sys.exit(1)


main()
