"""How to test your own cell software without hardware: pytest with quorix.testing.VirtualCamera.

Run: python3 -m pytest examples/python/test_my_cell.py
"""

import numpy as np
import pytest

import quorix
from quorix.testing import VirtualCamera


def nearest_point(device):
    """The code under test: the point nearest to the camera."""
    cloud = device.capture_cloud()
    z = np.where(cloud[..., 2] > 0, cloud[..., 2], np.inf)
    return cloud[np.unravel_index(np.argmin(z), z.shape)]


@pytest.fixture
def device():
    # Small images make fast tests; each camera gets a free port on 127.0.0.1.
    with VirtualCamera(model=13, color_size=(320, 200), depth_size=(320, 200)) as camera, camera.connect() as dev:
        yield dev


def test_nearest_point_is_in_front_of_the_camera(device):
    x, y, z = nearest_point(device)
    assert 300 < z < 1500


def test_a_camera_that_stops_answering_is_reported():
    with VirtualCamera(depth_size=(64, 48), color_size=(64, 48)) as camera:
        with camera.connect(timeout_ms=200) as dev:
            camera.stay_silent_for(1)
            with pytest.raises(quorix.ReadError):
                nearest_point(dev)
