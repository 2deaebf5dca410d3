#!/usr/bin/python3
"""Opens a report of a small study in a real browser (Debian's chromium, headless).

Usage: report_in_browser.py CITRA [SCREENSHOT.png]

The study: covers and stego folders with an RGB PNG, a grey PGM and a
24-bit BMP pair, a stego file without a cover and a cover whose stego file
is damaged. Checks that `citra report` writes one self-contained file (no
address outside it) stating the tool's version and the date, that the
browser renders it without a console message, that every table row is
there under measure's column names with mse as numpy computes it and the
desktop program's numbers only for 8-bit RGB pairs, every picture decoded,
that sorting by ssim works, and that the screenshot shows the page. Exits 77 (skipped) without chromium.
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
    """Counts the pairs table's body rows, reads the body's attributes, the
    columns' keys (data-key of the headings) and the sort keys (data-v) of
    each row's cells."""

    def __init__(self):
        super().__init__()
        self.body = {}
        self.rows = 0
        self.keys = []
        self.columns = []
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
        elif tag == "th" and self._in_pairs and not self._in_body:
            self.columns.append(attrs.get("data-key"))
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

        # The columns under measure's names; the desktop program's two
        # numbers in columns of their own, for 8-bit RGB pairs only.
        expected_columns = ["mse", "psnr", "ssim", "mae", "nc", "ber", "change_rate", "desktop_mse", "desktop_psnr"]
        if any(c not in dom.columns for c in expected_columns):
            problems.append(f"columns {dom.columns}, expected among them {expected_columns}")
        for label in ("MSE (desktop program)", "PSNR (desktop program)"):
            if f">{label}</th>" not in html:
                problems.append(f"no column headed {label!r}")
        if not re.search(r'<span id="version">citra [0-9][^<]*</span>', html):
            problems.append("the page does not state the tool's version")
        if not re.search(r'<time id="created" datetime="\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ">', html):
            problems.append("the page does not state when it was written (UTC, ISO 8601)")
        if "<h3>group " + stego + " (peak 255)</h3>" not in html:
            problems.append("no summary block for the stego folder")
        if not problems:
            column = {c: i for i, c in enumerate(dom.columns)}
            rows = re.findall(r'<tr><td class="n" data-v="\d+"><a href="#pair\d+">\d+</a></td>'
                              r'<td class="path">([^<]*)</td>', html)
            by_name = {os.path.basename(name): dom.keys[i] for i, name in enumerate(rows)}
            # mse over every sample, as numpy computes it from the files.
            for name, cover, manipulated, desktop in (("satu.png", rgb, changed, True),
                                                      ("dua.pgm", rgb[:, :, 0], changed[:, :, 1], False),
                                                      ("tiga &amp; &lt;empat&gt;.bmp", rgb, changed, True)):
                row = by_name.get(name)
                if row is None:
                    problems.append(f"no row for {name}: {list(by_name)}")
                    continue
                mse = float(np.mean((cover.astype(np.float64) - manipulated.astype(np.float64)) ** 2))
                got = float(row[column["mse"]])
                if abs(got - mse) > 1e-12 * mse:
                    problems.append(f"{name}: mse {got}, numpy {mse}")
                filled = bool(row[column["desktop_mse"]]) and bool(row[column["desktop_psnr"]])
                if filled != desktop:
                    problems.append(f"{name}: desktop program's columns {'empty' if desktop else 'filled'}")
                if desktop and abs(float(row[column["desktop_mse"]]) - 3 * mse) > 1e-9 * mse:
                    problems.append(f"{name}: desktop MSE {row[column['desktop_mse']]}, expected 3 x {mse}")

        # Sorted by ssim through the address: ascending, then descending;
        # pairs without ssim last either way.
        ssim_column = dom.columns.index("ssim") if "ssim" in dom.columns else -1
        for suffix, descending in (("", False), ("-", True)):
            if ssim_column < 0:
                break
            sorted_run = browser(["--virtual-time-budget=10000", "--dump-dom", f"{url}#sort={ssim_column}{suffix}"],
                                 work)
            sorted_dom = Dom()
            sorted_dom.feed(sorted_run.stdout)
            ssims = [row[ssim_column] for row in sorted_dom.keys]
            values = [float(v) for v in ssims if v]
            if len(values) != good or sorted(values, reverse=descending) != values or any(ssims[good:]):
                problems.append(f"sorted by ssim{' descending' if descending else ''}: {ssims}")

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
