"""quorix.testing.VirtualCamera: started and stopped by its context, one port each, usable options."""

import pytest

from quorix.testing import VirtualCamera

from conftest import small_camera


def test_start_stop_and_ports(tmp_path):
    with small_camera(state_dir=tmp_path) as a, small_camera(model=2, identifier="CELL-2") as b:
        assert a.running and b.running and a.port != b.port and 0 < a.port
        assert a.endpoint == "tcp://127.0.0.1:%d" % a.port
        assert b.identifier == "CELL-2"
        with b.connect() as dev:
            assert dev.info.model == "Quorix ZIKA"
        with a.connect() as dev:
            dev.add_user_set("kept")
            dev.save_user_sets()
        assert (tmp_path / "user_sets.json").exists()
    assert not a.running and not b.running


def test_a_scene_that_cannot_be_served_stops_the_start(tmp_path):
    with pytest.raises(RuntimeError, match="did not start"):
        VirtualCamera(scene=tmp_path / "nothing-here").start()
