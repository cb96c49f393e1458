"""Two cameras captured in parallel from two Python threads (the library releases the GIL).

Usage: two_cameras.py [ADDRESS_A PORT_A ADDRESS_B PORT_B]   (without arguments: two virtual cameras)
"""

import sys
import threading
import time

import quorix
from quorix.testing import VirtualCamera


def stream(name, device, count, results):
    cloud = device.capture_cloud()
    start = time.perf_counter()
    for _ in range(count):
        cloud = device.capture_cloud(out=cloud)
    results[name] = (count / (time.perf_counter() - start), cloud[..., 2].max())


def run(devices):
    results = {}
    threads = [threading.Thread(target=stream, args=(name, device, 20, results)) for name, device in devices.items()]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for name, (rate, far) in sorted(results.items()):
        print("%s: %.1f clouds/s, farthest point %.0f mm" % (name, rate, far))


if len(sys.argv) == 5:
    with quorix.Device(sys.argv[1], int(sys.argv[2])) as a, quorix.Device(sys.argv[3], int(sys.argv[4])) as b:
        run({"A": a, "B": b})
else:
    with VirtualCamera(model=13) as cam_a, VirtualCamera(model=8) as cam_b:
        with cam_a.connect() as a, cam_b.connect() as b:
            run({"A " + a.info.model: a, "B " + b.info.model: b})
