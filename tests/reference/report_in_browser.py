#!/usr/bin/python3
"""Opens a report of a small study in a real browser (Debian's chromium, headless).

Usage: report_in_browser.py CITRA [SCREENSHOT.png]

The study: covers and stego folders with an RGB PNG, a grey PGM and a
24-bit BMP pair, a stego file without a cover and a cover whose stego file
is damaged. Checks that `citra report` writes one self-contained file (no
address outside it), that the browser renders it without a console message,
that every table row is there, every picture decoded, and that the
screenshot shows the page. Exits 77 (skipped) without chromium.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from html.parser import HTMLParser

import numpy as np
from PIL import Image

CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")


class Dom(HTMLParser):
    """Counts the pairs table's body rows, reads the body's attributes and
    the sort keys (data-v) of each row's cells."""

    def __init__(self):
        super().__init__()
        self.body = {}
        self.rows = 0
        self.keys = []
        self.images = 0
        self._in_pairs = False
        self._in_body = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "body":
            self.body = attrs
        elif tag == "table":
            self._in_pairs = attrs.get("id") == "pairs"
        elif tag == "tbody" and self._in_pairs:
            self._in_body = True
        elif tag == "tr" and self._in_body:
            self.rows += 1
            self.keys.append([])
        elif tag == "td" and self._in_body:
            self.keys[-1].append(attrs.get("data-v"))
        elif tag == "img":
            self.images += 1

    def handle_endtag(self, tag):
        if tag == "tbody":
            self._in_body = False
        elif tag == "table":
            self._in_pairs = False


def browser(args, work):
    return subprocess.run(
        [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--no-first-run",
         f"--user-data-dir={work}/profile", "--enable-logging=stderr", "--v=0"] + args,
        capture_output=True, text=True, timeout=120)


def main():
    if CHROMIUM is None:
        print("chromium not found: skipped (scripts/install-deps.sh installs it)")
        return 77
    citra = sys.argv[1]
    shot = sys.argv[2] if len(sys.argv) > 2 else None
    problems = []
    rng = np.random.default_rng(3)
    with tempfile.TemporaryDirectory() as work:
        covers, stego = os.path.join(work, "covers"), os.path.join(work, "stego")
        os.makedirs(covers)
        os.makedirs(stego)
        y, x = np.mgrid[0:96, 0:128]
        rgb = np.stack([x * 2, y * 2, (x + y)], axis=-1).astype(np.uint8)
        changed = rgb.copy()
        changed[30:60, 40:90] = np.clip(changed[30:60, 40:90].astype(int) + rng.integers(-20, 20, (30, 50, 3)), 0,
                                        255).astype(np.uint8)
        Image.fromarray(rgb).save(os.path.join(covers, "satu.png"))
        Image.fromarray(changed).save(os.path.join(stego, "satu.png"))
        Image.fromarray(rgb[:, :, 0]).save(os.path.join(covers, "dua.pgm"))
        Image.fromarray(changed[:, :, 1]).save(os.path.join(stego, "dua.pgm"))
        Image.fromarray(rgb).save(os.path.join(covers, "tiga & <empat>.bmp"))
        Image.fromarray(changed).save(os.path.join(stego, "tiga & <empat>.bmp"))
        Image.fromarray(rgb).save(os.path.join(covers, "lima.png"))
        with open(os.path.join(stego, "lima.png"), "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n broken")
        Image.fromarray(rgb).save(os.path.join(stego, "enam.png"))
        pairs, good = 5, 3

        report = os.path.join(work, "laporan.html")
        run = subprocess.run([citra, "report", covers, stego, "-o", report, "--no-progress"],
                             capture_output=True, text=True)
        if run.returncode != 1 or run.stdout != f"{report}: {pairs} pairs, 2 failed\n":
            problems.append(f"citra report: exit {run.returncode}, output {run.stdout!r} {run.stderr!r}")
        html = open(report, encoding="utf-8").read()
        outside = [a for a in re.findall(r'(?:src|href)="([^"]*)"', html) if not a.startswith(("data:", "#"))]
        outside += [u for u in re.findall(r"https?://[^\s\"'<>]+", html) if u != "http://www.w3.org/2000/svg"]
        if outside:
            problems.append(f"the report refers outside itself: {outside[:3]}")

        url = "file://" + report
        dom_run = browser(["--virtual-time-budget=10000", "--dump-dom", url], work)
        console = [line for line in dom_run.stderr.splitlines() if ":CONSOLE" in line or "Uncaught" in line]
        if console:
            problems.append(f"console messages: {console[:3]}")
        dom = Dom()
        dom.feed(dom_run.stdout)
        if dom.rows != pairs:
            problems.append(f"{dom.rows} table rows, expected {pairs}")
        if dom.images != 3 * good:
            problems.append(f"{dom.images} pictures, expected {3 * good}")
        decoded = dom.body.get("data-pictures-decoded")
        if decoded != str(3 * good) or dom.body.get("data-pictures") != str(3 * good):
            problems.append(f"pictures decoded by the browser: {decoded} of {dom.body.get('data-pictures')}")
        if "tiga &amp; &lt;empat&gt;.bmp" not in dom_run.stdout:
            problems.append("the file name with & < > is not shown as written")

        # Sorted by SSIM (column 6) through the address: ascending, then
        # descending; pairs without SSIM last either way.
        for suffix, descending in (("", False), ("-", True)):
            sorted_run = browser(["--virtual-time-budget=10000", "--dump-dom", f"{url}#sort=6{suffix}"], work)
            sorted_dom = Dom()
            sorted_dom.feed(sorted_run.stdout)
            ssims = [row[6] for row in sorted_dom.keys]
            values = [float(v) for v in ssims if v]
            if len(values) != good or sorted(values, reverse=descending) != values or any(ssims[good:]):
                problems.append(f"sorted by SSIM{' descending' if descending else ''}: {ssims}")

        png = os.path.join(work, "shot.png")
        shot_run = browser(["--window-size=1280,2400", f"--screenshot={png}", url], work)
        if not os.path.exists(png):
            problems.append(f"no screenshot: {shot_run.stderr[-300:]}")
        else:
            picture = np.asarray(Image.open(png).convert("RGB"))
            colours = len(np.unique(picture.reshape(-1, 3), axis=0))
            dark = (picture.sum(axis=2) < 200).sum()
            if colours < 500 or dark < 1000:
                problems.append(f"the screenshot looks empty: {colours} colours, {dark} dark pixels")
            if shot:
                shutil.copy(png, shot)
    for p in problems:
        print(p)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
