"""Captures the four outputs as numpy arrays, then a loop of clouds into one reused array.

Usage: capture_to_numpy.py [ADDRESS [PORT]]   (without an address: a virtual camera in this process)
"""

import time

import numpy as np

import quorix
from _camera import camera_from_arguments

with camera_from_arguments() as camera:
    image = camera.capture_color()          # uint8 (h, w, 3), B G R
    depth = camera.capture_depth()          # float32 (h, w), millimetres, 0 = no measurement
    cloud = camera.capture_cloud()          # float32 (h, w, 3), millimetres
    colored = camera.capture_colored_cloud()  # structured (h, w): b g r x y z
    print("image", image.shape, "depth", depth.shape, "cloud", cloud.shape, "colored", colored.shape)

    measured = depth > 0
    print("measured %.1f %% of the pixels, %.0f to %.0f mm" % (100 * measured.mean(), depth[measured].min(),
                                                               depth[measured].max()))
    xyz = quorix.points(colored)[measured]   # (n, 3) points with a measurement
    bgr = quorix.colors(colored)[measured]   # (n, 3) their colours
    print("centroid", xyz.mean(axis=0), "mean colour (B G R)", bgr.mean(axis=0))

    # For PIL or matplotlib, which expect R G B: a view, no copy.
    rgb = quorix.rgb(image)
    print("top-left pixel R G B", rgb[0, 0])

    # A stream: out= writes each capture into the same array, so the loop allocates nothing.
    start = time.perf_counter()
    for _ in range(10):
        cloud = camera.capture_cloud(out=cloud)
    print("10 clouds in %.3f s" % (time.perf_counter() - start))
    np.save("cloud.npy", cloud)
