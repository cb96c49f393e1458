"""Captures: bit-for-bit equal to the C++ interface's, arrays viewing the frames' memory, out= in place."""

import gc

import numpy as np
import pytest

import quorix

from conftest import COLOR_SIZE, DEPTH_SIZE

KINDS = {
    "color": ("capture_color", np.uint8, (COLOR_SIZE[1], COLOR_SIZE[0], 3)),
    "depth": ("capture_depth", np.float32, (DEPTH_SIZE[1], DEPTH_SIZE[0])),
    "cloud": ("capture_cloud", np.float32, (DEPTH_SIZE[1], DEPTH_SIZE[0], 3)),
    "colored_cloud": ("capture_colored_cloud", quorix.POINT_XYZBGR, (DEPTH_SIZE[1], DEPTH_SIZE[0])),
}


def address(array):
    return array.__array_interface__["data"][0]


@pytest.mark.parametrize("kind", sorted(KINDS))
def test_capture_equals_cpp_bit_for_bit_and_reuses_out_in_place(device, reference, kind):
    method, dtype, shape = KINDS[kind]
    capture = getattr(device, method)
    expected = reference.capture(kind)

    first = capture()
    assert first.dtype == dtype and first.shape == shape and first.flags.c_contiguous and first.flags.writeable
    assert first.tobytes() == expected
    if kind != "color":
        assert np.count_nonzero(quorix.points(first)) > 0  # the scene is in view

    second = capture()
    assert address(second) != address(first)  # a new frame without out=

    # The library writes into the very memory of out: what we scribble there is overwritten.
    first.view(np.uint8)[...] = 0xAB
    result = capture(out=first)
    assert result is first and address(result) == address(first)
    assert first.tobytes() == expected
    assert np.shares_memory(result, first)


def test_out_of_another_origin_is_filled_by_copy(device, reference):
    out = np.full((DEPTH_SIZE[1], DEPTH_SIZE[0]), -1, np.float32)
    assert device.capture_depth(out=out) is out
    assert out.tobytes() == reference.capture("depth")

    with pytest.raises(ValueError, match=r"out has shape \(3, 4\), the result is \(120, 160\)"):
        device.capture_depth(out=np.zeros((3, 4), np.float32))
    with pytest.raises(TypeError, match="dtype"):
        device.capture_depth(out=np.zeros((DEPTH_SIZE[1], DEPTH_SIZE[0]), np.float64))
    with pytest.raises(ValueError, match="contiguous"):
        device.capture_cloud(out=np.zeros((DEPTH_SIZE[1], DEPTH_SIZE[0], 6), np.float32)[..., ::2])
    frozen = device.capture_depth()
    frozen.flags.writeable = False
    with pytest.raises(ValueError, match="writable"):
        device.capture_depth(out=frozen)
    # A slice of a captured array is not the whole frame: filled by copy, never resized under numpy's feet.
    big = device.capture_depth()
    with pytest.raises(ValueError, match="out has shape"):
        device.capture_depth(out=big[:10])


def test_views_of_the_colored_cloud_and_of_the_image_share_memory(device, reference):
    cloud = device.capture_colored_cloud()
    xyz, bgr = quorix.points(cloud), quorix.colors(cloud)
    assert xyz.shape == cloud.shape + (3,) and bgr.shape == cloud.shape + (3,)
    assert np.shares_memory(xyz, cloud) and np.shares_memory(bgr, cloud)
    assert np.array_equal(xyz[..., 2], cloud["z"]) and np.array_equal(bgr[..., 0], cloud["b"])
    raw = np.frombuffer(reference.capture("colored_cloud"), np.uint8).reshape(cloud.shape + (16,))
    assert np.array_equal(bgr, raw[..., :3])
    assert xyz.tobytes() == raw[..., 4:].tobytes()
    xyz[0, 0, 1] = 1234.5  # a write through a view is the frame's
    assert cloud["y"][0, 0] == np.float32(1234.5)

    image = device.capture_color()
    rgb = quorix.rgb(image)
    assert np.shares_memory(rgb, image) and np.array_equal(rgb[..., 0], image[..., 2])
    with pytest.raises(TypeError):
        quorix.colors(device.capture_cloud())


def test_arrays_outlive_device_frame_and_camera(camera):
    with camera.connect() as dev:
        depth = dev.capture_depth()
        cloud = dev.capture_colored_cloud()
    copy = depth.copy()
    window = depth[10:20, 30:40]
    xyz = quorix.points(cloud)
    del dev, depth, cloud
    gc.collect()
    camera.stop()
    assert np.array_equal(window, copy[10:20, 30:40])
    assert np.isfinite(xyz).all()
