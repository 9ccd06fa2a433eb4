#!/usr/bin/env python3
"""A virtual weighing scale for trying the station without hardware.

Makes a virtual serial pair with socat (two pty devices, linked as <folder>/station and
<folder>/scale) and plays the frames of a scale into the scale end, paced like a real
line at the chosen speed: a roll is put on, the weight settles, the roll is taken off,
the next roll comes.

    python3 scripts/virtual-scale.py --configure ~/.local/share/Topkar-demo/Topkar.ini

--configure writes "ComN=<folder>/station" into the [Platform] section of the station's
settings file, N being the port number the station uses (its CommPort setting, 1 when
unset), so the station opens the virtual line as that port. Stop with Ctrl+C.

Frame styles:
  st    "ST,GS,+  12.34kg" (stable) / "US,GS,+  12.36kg" (moving), CR LF
  bare  "+0012.34", CR LF
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
import tty


def frame(style, weight, stable):
    if style == "bare":
        return "+%07.2f\r\n" % weight
    return "%s,GS,+%7.2fkg\r\n" % ("ST" if stable else "US", weight)


def rolls():
    """Weights of a scale in use: empty, a roll put on and settling, taken off."""
    while True:
        for _ in range(random.randint(15, 30)):
            yield 0.0, True
        target = round(random.uniform(12.0, 32.0), 2)
        weight = 0.0
        for step in range(12):
            weight = target * (1 - 0.5 ** (step + 1)) + random.uniform(-0.05, 0.05)
            yield max(weight, 0.0), False
        for _ in range(random.randint(60, 120)):
            yield target, True


def configure(ini, station):
    """Points the station's port number at the virtual line in its settings file."""
    text = open(ini, encoding="utf-8").read() if os.path.exists(ini) else ""
    port = "1"
    found = re.search(r"^\[Properties\][^\[]*?^CommPort=(\d+)\s*$", text, re.M | re.S)
    if found:
        port = found.group(1)
    line = "Com%s=%s" % (port, station)
    lines = text.splitlines()
    out, in_platform, done = [], False, False
    for current in lines:
        if current.startswith("["):
            if in_platform and not done:
                out.append(line)
                done = True
            in_platform = current.strip() == "[Platform]"
        elif in_platform and current.startswith("Com%s=" % port):
            if not done:
                out.append(line)
                done = True
            continue
        out.append(current)
    if in_platform and not done:
        out.append(line)
        done = True
    if not done:
        if out and out[-1] != "":
            out.append("")
        out += ["[Platform]", line]
    os.makedirs(os.path.dirname(os.path.abspath(ini)), exist_ok=True)
    with open(ini, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    print("%s: Com%s now opens %s" % (ini, port, station))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--folder", default="/tmp/topkar-scale", help="where the two device links are made")
    parser.add_argument("--style", choices=["st", "bare"], default="st", help="frame style (default st)")
    parser.add_argument("--baud", type=int, default=9600, help="line speed the frames are paced at")
    parser.add_argument("--configure", metavar="INI", help="the station's Topkar.ini to point at the virtual line")
    args = parser.parse_args()

    if not shutil.which("socat"):
        sys.exit("socat is needed: apt-get install socat")
    os.makedirs(args.folder, exist_ok=True)
    station = os.path.join(args.folder, "station")
    scale = os.path.join(args.folder, "scale")
    for link in (station, scale):
        if os.path.islink(link):
            os.unlink(link)
    socat = subprocess.Popen(["socat", "pty,raw,echo=0,link=" + station, "pty,raw,echo=0,link=" + scale])
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: sys.exit(0))
    try:
        for _ in range(400):
            if os.path.exists(station) and os.path.exists(scale):
                break
            time.sleep(0.01)
        else:
            sys.exit("socat did not make the devices")
        fd = os.open(scale, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd)
        if args.configure:
            configure(os.path.expanduser(args.configure), station)
        print("Virtual scale on %s (%s frames at %d baud). Ctrl+C stops it." % (station, args.style, args.baud))
        char_time = 10.0 / args.baud  # start bit, 8 data bits, stop bit
        for weight, stable in rolls():
            data = frame(args.style, weight, stable).encode("ascii")
            # A few bytes at a time, as a real line delivers them.
            for i in range(0, len(data), 4):
                piece = data[i:i + 4]
                os.write(fd, piece)
                time.sleep(len(piece) * char_time)
    finally:
        socat.terminate()
        socat.wait()


if __name__ == "__main__":
    main()
