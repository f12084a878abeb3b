"""The program on a desktop of its own, as a screen reader meets it: Xvfb with a window manager, the AT-SPI bus on
the D-Bus session this process was started on (dbus-run-session), the demo update host on loopback, and the
built program in a demo run folder; queries through pyatspi (imported once the bus exists)."""

import os
import statistics
import subprocess
import sys
import time

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))
WAIT_S = 60


def say(text):
    print("[ screen reader ] " + text, file=sys.stderr, flush=True)


class Processes:
    """Programs started for the test, each with its log, ended in the reverse order."""

    def __init__(self, logs):
        self.logs = logs
        self.started = []

    def start(self, name, command, **kwargs):
        log = open(os.path.join(self.logs, name + ".log"), "w")
        kwargs.setdefault("stdout", log)
        process = subprocess.Popen(command, stderr=log, **kwargs)
        self.started.append((process, log))
        return process

    def stop(self):
        for process, log in reversed(self.started):
            process.terminate()
            try:
                process.wait(timeout=WAIT_S)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            log.close()
        self.started = []


def start_desktop(processes):
    """Xvfb, openbox and the AT-SPI bus (on the session bus this script was started on)."""
    # Xvfb takes a free display and writes its number, once it listens, to this file.
    number = os.path.join(processes.logs, "display")
    with open(number, "w") as out:
        processes.start("xvfb", ["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], pass_fds=[out.fileno()])
    wait_until(lambda: read_file(number).endswith("\n"), "the display")
    os.environ["DISPLAY"] = ":" + read_file(number).strip()
    os.environ.pop("WAYLAND_DISPLAY", None)
    processes.start("openbox", ["openbox"])
    processes.start("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    address = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
               "org.a11y.Bus.GetAddress"]
    wait_until(lambda: subprocess.run(address, capture_output=True, timeout=WAIT_S).returncode == 0,
               "the AT-SPI bus")


def read_file(path):
    with open(path) as f:
        return f.read()


def wait_until(check, what, seconds=WAIT_S):
    deadline = time.monotonic() + seconds
    while not check():
        if time.monotonic() > deadline:
            raise AssertionError("waited %d s for %s" % (seconds, what))
        time.sleep(0.1)


def wait_for(check, what, seconds=WAIT_S):
    """Polls check (pumping the AT-SPI events) until it returns something true; fails after seconds."""
    from gi.repository import GLib
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        found = check()
        if found:
            return found
        time.sleep(0.05)
    raise AssertionError("waited %d s for %s" % (seconds, what))


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True, timeout=WAIT_S).stdout


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def build_site(publish, site):
    """The demo site, built by the site tool into site."""
    subprocess.run([publish, "build", os.path.join(SOURCE, "tools", "demo", "source"), site], check=True,
                   capture_output=True, timeout=WAIT_S)


def serve_site(processes, site, rate_kib):
    """Serves site at rate_kib KiB/s (0: as fast as it goes); returns the port."""
    host = processes.start("host", [sys.executable, "-u", os.path.join(SOURCE, "tools", "demo", "update_host.py"),
                                    "--root", site, "--port", "0", "--rate-kib", str(rate_kib), "--quiet"],
                           stdout=subprocess.PIPE, text=True)
    return host.stdout.readline().strip().rsplit(":", 1)[1]


def start_program(processes, program, run_dir, port):
    """Lays out run_dir and starts the program there, in English, with its accessibility on."""
    subprocess.run(["bash", os.path.join(SOURCE, "tools", "demo", "prepare_run.sh"), program, run_dir],
                   check=True, capture_output=True, timeout=WAIT_S)
    runtime = os.path.join(run_dir, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               YEROUP_UPDATE_HOST="127.0.0.1:" + port, YEROUP_REGISTRY_FILE=os.path.join(run_dir, "registry.ini"),
               LANG="en_GB.UTF-8", LC_ALL="en_GB.UTF-8", XDG_RUNTIME_DIR=runtime, HOME=run_dir)
    return processes.start("app", [os.path.join(run_dir, "yeroup")], cwd=run_dir, env=env)


def application():
    import pyatspi
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "YEROUP":
            return app
    return None


def main_window():
    import pyatspi
    app = application()
    if app is None:
        return None
    for window in app:
        if window is not None and "2005" in (window.name or "") and window.getState().contains(
                pyatspi.STATE_SHOWING):
            return window
    return None


def walk(accessible):
    yield accessible
    for child in accessible:
        if child is not None:
            yield from walk(child)


def query_times(window, seconds, until=None):
    """Times of small queries (a name, a state, a child count) and of whole-tree walks, for seconds or until until()
    is true."""
    small, walks = [], []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and not (until and until()):
        for query in (lambda: window.name, lambda: window.getState(), lambda: window.childCount):
            started = time.perf_counter()
            query()
            small.append(time.perf_counter() - started)
        started = time.perf_counter()
        sum(1 for _ in walk(window))
        walks.append(time.perf_counter() - started)
    return small, walks


def latency_text(what, small, walks):
    return ("%s: %d queries, median %.1f ms, 99th percentile %.1f ms, slowest %.1f ms; %d tree walks, median %.0f ms, "
            "slowest %.0f ms" % (what, len(small), 1000 * statistics.median(small), 1000 * percentile(small, 0.99),
                                 1000 * max(small), len(walks), 1000 * statistics.median(walks), 1000 * max(walks)))
