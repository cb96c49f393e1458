#!/usr/bin/python3
"""Python captures against the same C++ captures, measured in one run on one in-process virtual camera.

For each capture (depth map and point cloud by default) it alternates rounds of Python captures with out=
and rounds of the C++ interface's captures (the test helper module _quorix_reference, frames reused as a
C++ program would), and reports the median and the best time per capture of each and their ratio. It then
counts, per capture, the C++ allocations of a mebibyte or more in the whole process (the preloaded
libquorix_new_counter.so; the in-process camera makes some of its own, so the C++ captures are the
baseline) and the bytes Python's allocators handed out (tracemalloc, which sees numpy's arrays), with and
without out=.

    cmake --build build --target _quorix _virtualcam _quorix_reference quorix_new_counter
    PYTHONPATH=build/python /usr/bin/python3 bench/python_capture_bench.py
"""

import argparse
import ctypes
import os
import statistics
import sys
import time
import tracemalloc

import quorix
from quorix.testing import VirtualCamera
from _quorix_reference import ReferenceDevice

METHODS = {"color": "capture_color", "depth": "capture_depth", "cloud": "capture_cloud",
           "colored_cloud": "capture_colored_cloud"}


def python_times(capture, count, out):
    seconds = []
    for _ in range(count):
        start = time.perf_counter()
        out = capture(out=out)
        seconds.append(time.perf_counter() - start)
    return seconds, out


COUNTER = os.path.join(os.path.dirname(os.path.abspath(quorix.__file__)), os.pardir, "libquorix_new_counter.so")


def large_allocations():
    return ctypes.CDLL(os.path.abspath(COUNTER)).quorix_large_allocations()


def per_capture(function, count):
    """C++ allocations of 1 MiB or more and peak Python-allocated bytes per call of function."""
    tracemalloc.start()
    before = large_allocations()
    for _ in range(count):
        function()
    allocations = large_allocations() - before
    _, peak = tracemalloc.get_traced_memory()
    tracemalloc.stop()
    return allocations / count, peak


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--kinds", default="depth,cloud", help="captures to measure (color, depth, cloud, "
                        "colored_cloud)")
    parser.add_argument("--rounds", type=int, default=150)
    parser.add_argument("--count", type=int, default=1, help="captures per round (1: pairs of one Python and one C++ capture)")
    parser.add_argument("--size", default="1920x1200")
    args = parser.parse_args()
    counter = os.path.abspath(COUNTER)
    if counter not in os.environ.get("LD_PRELOAD", ""):  # the counter must come before every library
        os.environ["LD_PRELOAD"] = counter
        os.execv(sys.executable, [sys.executable] + sys.argv)
    width, height = (int(v) for v in args.size.split("x"))

    print("quorix %s, Python %s, load average %.2f %.2f %.2f, OMP_NUM_THREADS=%s" % (
        quorix.__version__, sys.version.split()[0], *os.getloadavg(), os.environ.get("OMP_NUM_THREADS", "-")))
    with VirtualCamera(color_size=(width, height), depth_size=(width, height)) as camera, \
            camera.connect() as device:
        reference = ReferenceDevice(camera.address, camera.port)
        print("%-14s %12s %12s %12s %12s %8s %8s" % ("capture", "py median", "C++ median", "py best",
                                                      "C++ best", "median", "best"))
        rows = []
        for kind in args.kinds.split(","):
            capture = getattr(device, METHODS[kind])
            out = capture()  # first capture: the array gets its size and pages
            reference.time(kind, 2)
            py, cpp = [], []
            for _ in range(args.rounds):
                seconds, out = python_times(capture, args.count, out)
                py += seconds
                cpp += reference.time(kind, args.count)
            pm, cm = statistics.median(py), statistics.median(cpp)
            pb, cb = min(py), min(cpp)
            print("%-14s %9.2f ms %9.2f ms %9.2f ms %9.2f ms %8.3f %8.3f" % (
                kind, pm * 1e3, cm * 1e3, pb * 1e3, cb * 1e3, pm / cm, pb / cb))

            with_out = per_capture(lambda: capture(out=out), 20)
            without_out = per_capture(capture, 20)
            cpp_allocations = per_capture(lambda: reference.time(kind, 1), 20)[0]
            rows.append((kind, with_out, without_out, cpp_allocations))

        print("\nper capture: C++ allocations of 1 MiB or more / peak bytes from Python's allocators")
        print("%-14s %18s %18s %14s" % ("capture", "Python, out=", "Python, no out=", "C++"))
        for kind, (a1, b1), (a2, b2), ac in rows:
            print("%-14s %9.2f / %6d %9.2f / %6d %14.2f" % (kind, a1, b1, a2, b2, ac))


if __name__ == "__main__":
    main()
