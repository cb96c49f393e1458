"""Fixtures of the quorix package's tests: virtual cameras in the test process, on free loopback ports."""

import pytest

from quorix.testing import VirtualCamera

# Distinct colour and depth sizes, so that a mix-up of the two shows.
COLOR_SIZE = (200, 150)
DEPTH_SIZE = (160, 120)


def pytest_configure(config):
    config.addinivalue_line("markers", "discovery: listens on the fixed discovery port (UDP 45454)")


def small_camera(**options):
    return VirtualCamera(color_size=COLOR_SIZE, depth_size=DEPTH_SIZE, **options)


@pytest.fixture
def camera():
    with small_camera() as cam:
        yield cam


@pytest.fixture
def device(camera):
    with camera.connect() as dev:
        yield dev


@pytest.fixture
def reference(camera):
    """The same camera through the C++ interface."""
    from _quorix_reference import ReferenceDevice
    return ReferenceDevice(camera.address, camera.port)
