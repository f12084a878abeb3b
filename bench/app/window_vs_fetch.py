#!/usr/bin/env python3
"""A package download from the demo host on loopback, as fast as the host sends, through the real main window
(under Xvfb, with a screen reader's queries running all the while) beside the same download by yeroup-fetch, which
has no window. Prints each run's time, the mean throughput of each and their ratio, and the query times idle and
during the window's downloads. Run through bench/app/window_vs_fetch.sh."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "app",
                                "screen_reader"))
from desktop import (Processes, build_site, latency_text, main_window, query_times, serve_site, start_desktop,
                     start_program, wait_for, walk, xdotool)

PACKAGE = "YEROMP3LiveUpdate/Firmware/YERO-T10/YERO-T10_V1.05.zip"


def make_package(path, mib):
    block = os.urandom(1 << 20)
    with open(path, "wb") as f:
        for _ in range(mib):
            f.write(block)


def window_download(build, port, run_dir, size):
    """Seconds from pressing Download to the stored package; the query times meanwhile; idle query times."""
    import pyatspi
    processes = Processes(os.path.dirname(run_dir))
    try:
        start_program(processes, os.path.join(build, "app", "yeroup"), run_dir, port)
        window = wait_for(main_window, "the main window")
        idle = query_times(window, 3)
        button = next(a for a in walk(window) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "Download")
        button.queryComponent().grabFocus()
        xid = xdotool("search", "--sync", "--onlyvisible", "--limit", "1", "--name", window.name).strip()
        stored = os.path.join(run_dir, "FirmwareBack", "YERO-T10_V1.05.zip")
        xdotool("windowactivate", "--sync", xid, "key", "space")
        started = time.monotonic()
        busy = query_times(window, 600, until=lambda: os.path.exists(stored))
        wait_for(lambda: os.path.exists(stored), "the stored package", 600)
        seconds = time.monotonic() - started
        if os.path.getsize(stored) != size:
            raise AssertionError("stored %d bytes of %d" % (os.path.getsize(stored), size))
        return seconds, busy, idle
    finally:
        processes.stop()
        shutil.rmtree(run_dir, ignore_errors=True)


def fetch_download(build, port, out):
    started = time.monotonic()
    subprocess.run([os.path.join(build, "tools", "fetch", "yeroup-fetch"),
                    "http://127.0.0.1:%s/%s" % (port, PACKAGE), out], check=True, timeout=600)
    seconds = time.monotonic() - started
    os.remove(out)
    return seconds


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/release")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    mib = int(sys.argv[3]) if len(sys.argv) > 3 else 256
    tmp = tempfile.mkdtemp(prefix="yeroup-window-bench-")
    processes = Processes(tmp)
    try:
        start_desktop(processes)
        import pyatspi  # noqa: F401  (after the bus exists)
        site = os.path.join(tmp, "site")
        build_site(os.path.join(build, "tools", "publish", "yeroup-publish"), site)
        make_package(os.path.join(site, PACKAGE), mib)
        port = serve_site(processes, site, 0)
        size = mib << 20
        window_s, fetch_s, busy, idle = [], [], ([], []), ([], [])
        for run in range(runs):
            fetch_s.append(fetch_download(build, port, os.path.join(tmp, "fetched.zip")))
            seconds, run_busy, run_idle = window_download(build, port, os.path.join(tmp, "run%d" % run, "exe"), size)
            window_s.append(seconds)
            for total, part in ((busy, run_busy), (idle, run_idle)):
                total[0].extend(part[0])
                total[1].extend(part[1])
            print("run %d: yeroup-fetch %.2f s, window %.2f s" % (run + 1, fetch_s[-1], window_s[-1]), flush=True)
        fetch_rate = mib / statistics.mean(fetch_s)
        window_rate = mib / statistics.mean(window_s)
        print("%d MiB, %d runs: yeroup-fetch %.0f MiB/s (%.2f s, sd %.2f), window %.0f MiB/s (%.2f s, sd %.2f): "
              "window/fetch %.2fx" % (mib, runs, fetch_rate, statistics.mean(fetch_s), statistics.pstdev(fetch_s),
                                      window_rate, statistics.mean(window_s), statistics.pstdev(window_s),
                                      window_rate / fetch_rate))
        print(latency_text("window idle", *idle))
        print(latency_text("window during the downloads", *busy))
    finally:
        processes.stop()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
