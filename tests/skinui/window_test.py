#!/usr/bin/env python3
"""The skinned window under Wine, driven like a user with xdotool.

    window_test.py SCENARIO --demo EXE --wine-run SCRIPT --artefacts DIR

Scenarios:
  drag          the caption band drags the window; a press on "closeBtn" inside it does not
  checkbox      the check box sends "click" before it toggles and swaps uncheck.png for check.png
  pages         a screenshot of each of the three pages (kept in DIR), with checks of their pixels
  shadow_click  the drop shadow band lets a click through to the window below it
Needs DISPLAY (an X server such as Xvfb), xdotool and ImageMagick's import/convert.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "皮肤演示窗口"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


class Demo:
    """The demo program and its event log."""

    def __init__(self, options, *extra):
        self.workdir = tempfile.mkdtemp(prefix="skinui-window-")
        self.log_path = os.path.join(self.workdir, "events.log")
        open(self.log_path, "w").close()
        command = [options.wine_run, options.demo, "--log", "Z:" + self.log_path, *extra]
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.wait_for(lambda line: line.startswith("ready "), 60, "the window did not come up")
        # The window exists for X as well (found by its Chinese title).
        deadline = time.time() + 20
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--name", TITLE], capture_output=True, text=True)
            if found.stdout.strip():
                break
            time.sleep(0.2)
        else:
            raise Failure("xdotool does not find the window titled " + TITLE)
        time.sleep(0.5)

    def lines(self):
        with open(self.log_path, encoding="utf-8") as f:
            return [line.rstrip("\n") for line in f]

    def wait_for(self, predicate, seconds, message):
        deadline = time.time() + seconds
        while time.time() < deadline:
            for line in self.lines():
                if predicate(line):
                    return line
            if self.process.poll() is not None and not any(predicate(l) for l in self.lines()):
                raise Failure(message + " (the program ended with %d)" % self.process.returncode)
            time.sleep(0.1)
        raise Failure(message + "; log: %r" % self.lines())

    def last(self, prefix):
        found = [line for line in self.lines() if line.startswith(prefix)]
        return found[-1] if found else None

    def position(self):
        fields = self.last("pos ").split()
        return int(fields[1]), int(fields[2])

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=20)
        shutil.rmtree(self.workdir, ignore_errors=True)


def click(x, y):
    xdotool("mousemove", x, y)
    time.sleep(0.15)
    xdotool("mousedown", 1)
    time.sleep(0.1)
    xdotool("mouseup", 1)
    time.sleep(0.3)


def drag(x0, y0, x1, y1):
    xdotool("mousemove", x0, y0)
    time.sleep(0.2)
    xdotool("mousedown", 1)
    time.sleep(0.3)
    steps = 8
    for i in range(1, steps + 1):
        xdotool("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
        time.sleep(0.05)
    time.sleep(0.3)
    xdotool("mouseup", 1)
    time.sleep(0.6)


class Shot:
    """A screenshot of part of the screen, kept as a PNG, with its pixels."""

    def __init__(self, path, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage", path],
                       check=True)
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
        check(len(raw) == width * height * 3, "unexpected screenshot size for " + path)
        self.raw = raw
        self.path = path

    def pixel(self, screen_x, screen_y):
        i = ((screen_y - self.y) * self.width + (screen_x - self.x)) * 3
        return tuple(self.raw[i:i + 3])

    def count(self, x0, y0, x1, y1, predicate):
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(self.pixel(x, y)))


def is_blue(p):
    return p[2] > 200 and p[0] < 110


def is_white(p):
    return min(p) >= 245


def near(p, rgb, tolerance=6):
    return all(abs(a - b) <= tolerance for a, b in zip(p, rgb))


def scenario_drag(options):
    demo = Demo(options, "--pos", "100,100")
    try:
        check(demo.position() == (100, 100), "window not at 100,100: %r" % (demo.position(),))
        # Inside the caption band (y < 80), on the empty background.
        drag(100 + 150, 100 + 40, 100 + 250, 100 + 90)
        moved = demo.position()
        check(moved == (200, 150), "dragging the caption band moved the window to %r, not 200,150" % (moved,))
        # On the close button, also inside the band: no drag, and released outside it: no click.
        drag(200 + 710, 150 + 30, 200 + 610, 150 + 60)
        check(demo.position() == (200, 150), "a press on closeBtn moved the window to %r" % (demo.position(),))
        check(demo.last("click ") is None, "the press on closeBtn clicked something: %r" % demo.lines())
        # Below the band the background does not drag either.
        drag(200 + 150, 150 + 120, 200 + 250, 150 + 170)
        check(demo.position() == (200, 150), "a press below the band moved the window")
        # A real click on closeBtn closes the window.
        click(200 + 710, 150 + 30)
        demo.wait_for(lambda l: l == "click closeBtn -", 10, "closeBtn sent no click")
        demo.wait_for(lambda l: l == "closed", 10, "the window did not close")
    finally:
        demo.close()


def scenario_checkbox(options):
    demo = Demo(options, "--pos", "100,100", "--no-shadow")
    try:
        # The box image lies at 5,5-19,19 inside the check box at window 21,336.
        box_x, box_y = 100 + 21 + 5, 100 + 336 + 5
        artefacts = options.artefacts
        before = Shot(os.path.join(artefacts, "checkbox-unchecked.png"), box_x - 5, box_y - 5, 160, 24)
        click(box_x + 30, box_y + 7)  # on the label text: the whole control is the check box
        demo.wait_for(lambda l: l.startswith("click ck_clear_user_data"), 10, "no click from the check box")
        check(demo.last("click ") == "click ck_clear_user_data 0",
              "the click did not go out before the state changed: %r" % demo.last("click "))
        after = Shot(os.path.join(artefacts, "checkbox-checked.png"), box_x - 5, box_y - 5, 160, 24)
        click(box_x + 7, box_y + 7)
        deadline = time.time() + 10
        while time.time() < deadline and demo.last("click ") != "click ck_clear_user_data 1":
            time.sleep(0.1)
        check(demo.last("click ") == "click ck_clear_user_data 1", "second click: %r" % demo.last("click "))
        again = Shot(os.path.join(artefacts, "checkbox-unchecked-again.png"), box_x - 5, box_y - 5, 160, 24)
        inside = (box_x + 1, box_y + 9)  # inside the box, off the tick
        check(is_white(before.pixel(*inside)), "unchecked box is not white inside: %r" % (before.pixel(*inside),))
        check(is_blue(after.pixel(*inside)), "checked box is not blue: %r" % (after.pixel(*inside),))
        check(is_white(again.pixel(*inside)), "box did not go back to unchecked: %r" % (again.pixel(*inside),))
        white_in_box = after.count(box_x, box_y, box_x + 14, box_y + 14, is_white)
        check(white_in_box >= 6, "no tick drawn in the checked box")
    finally:
        demo.close()


def scenario_pages(options):
    demo = Demo(options, "--pos", "120,120")
    try:
        wx, wy = 120, 120
        artefacts = options.artefacts
        margin = 24

        def shoot(name):
            time.sleep(0.8)
            return Shot(os.path.join(artefacts, name), wx - margin, wy - margin, 740 + 2 * margin, 400 + 2 * margin)

        page0 = shoot("page0-confirm.png")
        check(near(page0.pixel(wx + 5, wy + 5), (0xF3, 0xF3, 0xF3)), "page 0 background: %r" % (page0.pixel(wx + 5, wy + 5),))
        check(near(page0.pixel(wx, wy + 200), (0xE3, 0xE3, 0xE3)), "page 0 border: %r" % (page0.pixel(wx, wy + 200),))
        check(is_blue(page0.pixel(wx + 340, wy + 160)), "page 0 logo missing")
        check(page0.count(wx + 301, wy + 189, wx + 441, wy + 209, lambda p: max(p) < 200) > 30, "page 0 title text missing")
        check(page0.count(wx + 241, wy + 231, wx + 361, wy + 265, lambda p: max(p) < 200) > 30,
              "page 0 button text missing")
        check(is_white(page0.pixel(wx + 250, wy + 240)), "page 0 button face not white")
        # Moving the pointer over a button shows its hover image.
        xdotool("mousemove", wx + 250, wy + 247)
        hover = shoot("page0-hover.png")
        check(hover.pixel(wx + 250, wy + 240) != page0.pixel(wx + 250, wy + 240), "no hover image on btnUnInstall")

        click(wx + 300, wy + 247)  # btnUnInstall: the demo moves to page 1 at 37 %
        demo.wait_for(lambda l: l == "tabselect 1 0", 10, "no tabselect to page 1")
        xdotool("mousemove", wx + 700, wy + 300)
        page1 = shoot("page1-progress.png")
        check(is_blue(page1.pixel(wx + 71 + 100, wy + 263)), "page 1 progress fill missing")
        check(is_blue(page1.pixel(wx + 71 + 215, wy + 263)), "page 1 fill shorter than 222 pixels")
        check(near(page1.pixel(wx + 71 + 300, wy + 263), (0xE2, 0xE6, 0xEC)), "page 1 track: %r" % (
            page1.pixel(wx + 71 + 300, wy + 263),))
        check(page1.count(wx + 251, wy + 199, wx + 491, wy + 219, lambda p: max(p) < 200) > 30,
              "page 1 status text missing")
        check(page1.count(wx + 241, wy + 231, wx + 361, wy + 265, lambda p: max(p) < 200) == 0,
              "page 0's button still drawn on page 1")

        xdotool("key", "2")
        demo.wait_for(lambda l: l == "tabselect 2 1", 10, "no tabselect to page 2")
        page2 = shoot("page2-finished.png")
        check(page2.count(wx + 311, wy + 231, wx + 431, wy + 265, lambda p: max(p) < 200) > 30,
              "page 2 button text missing")
        check(is_blue(page2.pixel(wx + 340, wy + 160)), "page 2 logo missing")
        check(not is_blue(page2.pixel(wx + 71 + 100, wy + 263)), "progress bar still drawn on page 2")

        # Escape is the framework's default "close".
        xdotool("key", "Escape")
        demo.wait_for(lambda l: l == "closed", 10, "Escape did not close the window")
    finally:
        demo.close()


def scenario_shadow_click(options):
    # A plain white window at 40,40 (300 x 300) under the skinned window at 200,200.
    demo = Demo(options, "--target", "40,40,300,300", "--pos", "200,200")
    try:
        time.sleep(0.5)
        shot = Shot(os.path.join(options.artefacts, "shadow-over-target.png"), 150, 150, 300, 200)
        band = shot.pixel(192, 300)   # in the shadow's left band, over the white window
        plain = shot.pixel(160, 300)  # the white window away from the shadow
        centre = shot.pixel(205, 300)  # the skinned window seen through the shadow's clear centre
        check(is_white(plain), "the target window is not white: %r" % (plain,))
        # Without a compositing manager X shows the band's premultiplied black
        # unblended, so the band is dark (on Windows it is a soft shade).
        check(max(band) < 100, "no shadow band over the target: %r" % (band,))
        check(near(centre, (0xF3, 0xF3, 0xF3)), "the shadow covers the window: %r" % (centre,))
        check(not is_white(shot.pixel(199, 184 + 20)) and is_white(shot.pixel(183, 300)),
              "the band is not 16 pixels wide")
        click(192, 300)
        line = demo.wait_for(lambda l: l.startswith("target-click "), 10, "the click on the shadow did not go through")
        check(line == "target-click 152 260", "the click reached the target at the wrong place: " + line)
        check(demo.last("click ") is None, "the skinned window got a click")
    finally:
        demo.close()


SCENARIOS = {
    "drag": scenario_drag,
    "checkbox": scenario_checkbox,
    "pages": scenario_pages,
    "shadow_click": scenario_shadow_click,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--demo", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--artefacts", required=True)
    options = parser.parse_args()
    os.makedirs(options.artefacts, exist_ok=True)
    if not os.environ.get("DISPLAY"):
        print("no DISPLAY: start an X server (scripts/common.sh start_display)", file=sys.stderr)
        return 1
    try:
        SCENARIOS[options.scenario](options)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        return 1
    print("%s: passed" % options.scenario)
    return 0


if __name__ == "__main__":
    sys.exit(main())
