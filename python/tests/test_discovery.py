"""quorix.discover() finds an announcing virtual camera (listens on the fixed discovery port)."""

import pytest

import quorix

from conftest import small_camera


@pytest.mark.discovery
def test_discover_finds_an_announcing_camera():
    with small_camera(announce=True, identifier="PY-DISCOVERY") as camera:
        found = [info for info in quorix.discover(timeout=1.5) if info.id == "PY-DISCOVERY"]
        assert len(found) == 1
        assert (found[0].ip_address, found[0].port) == ("127.0.0.1", camera.port)
        with quorix.Device() as dev:
            dev.connect(found[0])
            assert dev.info.id == "PY-DISCOVERY"
