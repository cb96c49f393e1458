"""Clouds computed on the host equal the captures bit for bit; files saved and read back; Open3D."""

import sys
import types

import numpy as np
import pytest

import quorix


def test_host_clouds_equal_the_captures(device, reference):
    depth, color, calibration = device.capture_depth(), device.capture_color(), device.calibration
    cloud = quorix.compute_cloud(depth, calibration)
    assert cloud.tobytes() == reference.capture("cloud")
    colored = quorix.compute_colored_cloud(depth.copy(), color.copy(), calibration)  # arrays of numpy's own
    assert colored.dtype == quorix.POINT_XYZBGR and colored.tobytes() == reference.capture("colored_cloud")

    address = cloud.__array_interface__["data"][0]
    cloud[...] = 0
    assert quorix.compute_cloud(depth, calibration, out=cloud) is cloud
    assert cloud.__array_interface__["data"][0] == address and cloud.tobytes() == reference.capture("cloud")

    with pytest.raises(quorix.EmptyInputError):
        quorix.compute_cloud(np.zeros((0, 0), np.float32), calibration)
    with pytest.raises(quorix.InvalidIntrinsicsError):
        quorix.compute_cloud(depth, quorix.Calibration())


def test_save_and_load_back(device, tmp_path):
    depth, color = device.capture_depth(), device.capture_color()
    cloud, colored = device.capture_cloud(), device.capture_colored_cloud()

    quorix.save(tmp_path / "depth.tiff", depth)
    assert quorix.load_depth(tmp_path / "depth.tiff").tobytes() == depth.tobytes()
    quorix.save(str(tmp_path / "depth.png"), depth)
    whole = quorix.load_depth(tmp_path / "depth.png")  # whole millimetres
    assert np.array_equal(whole, np.floor(whole)) and np.abs(whole - depth).max() <= 0.5
    quorix.save(tmp_path / "color.png", color)
    assert np.array_equal(quorix.load_color(tmp_path / "color.png"), color)
    quorix.save(tmp_path / "calibration.json", device.calibration)
    assert quorix.load_calibration(tmp_path / "calibration.json").to_dict() == device.calibration.to_dict()

    measured = int(np.count_nonzero(cloud[..., 2] > 0))
    for name, data in [("cloud.ply", cloud), ("colored.ply", colored), ("cloud.pcd", cloud), ("colored.pcd", colored)]:
        quorix.save(tmp_path / name, data)
        head = (tmp_path / name).read_bytes()[:400]
        assert (b"element vertex %d\n" % measured if name.endswith("ply") else b"\nPOINTS %d\n" % measured) in head
    quorix.save(tmp_path / "organized.ply", cloud, organized=True)
    assert b"element vertex %d\n" % cloud[..., 0].size in (tmp_path / "organized.ply").read_bytes()[:400]

    with pytest.raises(quorix.WriteError, match="cloud.xyz"):
        quorix.save(tmp_path / "cloud.xyz", cloud)
    with pytest.raises(quorix.WriteError, match="color.tiff"):
        quorix.save(tmp_path / "color.tiff", color)
    with pytest.raises(quorix.WriteError, match="missing"):
        quorix.save(tmp_path / "missing" / "depth.tiff", depth)
    with pytest.raises(quorix.ReadError, match="nothing.png"):
        quorix.load_depth(tmp_path / "nothing.png")
    with pytest.raises(TypeError):
        quorix.save(tmp_path / "x.ply", [1, 2, 3])


def test_to_open3d(device, monkeypatch):
    monkeypatch.setitem(sys.modules, "open3d", None)
    with pytest.raises(ImportError, match="needs the open3d package"):
        quorix.to_open3d(device.capture_cloud())

    class PointCloud:  # the little of open3d that to_open3d uses
        def __init__(self, points):
            self.points, self.colors = points, None
    fake = types.SimpleNamespace(geometry=types.SimpleNamespace(PointCloud=PointCloud),
                                 utility=types.SimpleNamespace(Vector3dVector=np.asarray))
    monkeypatch.setitem(sys.modules, "open3d", fake)
    colored = device.capture_colored_cloud()
    measured = colored["z"] > 0
    assert 0 < measured.sum() < colored.size
    result = quorix.to_open3d(colored)
    assert np.array_equal(result.points, quorix.points(colored)[measured].astype(np.float64))
    assert np.array_equal(result.colors * 255, quorix.rgb(quorix.colors(colored))[measured].astype(np.float64))
    assert quorix.to_open3d(device.capture_cloud()).colors is None
