"""The cloud of the red objects: a mask from the colour image, then the texture-mask cloud on the host.

Usage: texture_mask_cloud.py [ADDRESS [PORT]]   (without an address: a virtual camera in this process)
"""

import numpy as np

import quorix
from _camera import camera_from_arguments

with camera_from_arguments() as camera:
    image = camera.capture_color()
    depth = camera.capture_depth()
    calibration = camera.calibration

b, g, r = (image[..., i].astype(np.int16) for i in range(3))
mask = np.zeros_like(image)
mask[(r > 120) & (r > g + 60) & (r > b + 60)] = 255  # red enough: white in the mask

cloud = quorix.cloud_from_texture_mask(depth, mask, calibration)  # no camera needed for this step
points = cloud[cloud[..., 2] != 0]
print("%d points under the mask" % len(points))
if len(points):
    print("their centroid (mm):", points.mean(axis=0))
