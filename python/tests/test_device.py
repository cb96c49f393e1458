"""Identity, calibration, sizes, user sets, the texture-mask cloud and the package's own data."""

import re

import numpy as np
import pytest

import quorix

from conftest import COLOR_SIZE, DEPTH_SIZE


def test_identity_calibration_and_resolution(camera, device):
    info = device.info
    assert (info.id, info.ip_address, info.port) == (camera.identifier, "127.0.0.1", camera.port)
    assert info.model.startswith("Quorix ") and info.firmware_version == "2.1.0"
    assert "DeviceInfo(model=" in repr(info)
    resolution = device.resolution
    assert (resolution.color_width, resolution.color_height) == COLOR_SIZE
    assert resolution.depth_shape == (DEPTH_SIZE[1], DEPTH_SIZE[0])
    assert resolution.color_shape == (COLOR_SIZE[1], COLOR_SIZE[0])

    calibration = device.calibration
    k = calibration.camera_3d.matrix
    assert k[0, 0] == calibration.camera_3d.fx > 0 and k[1, 2] == calibration.camera_3d.cy and k[2, 2] == 1
    assert np.allclose(calibration.rotation @ calibration.rotation.T, np.eye(3))
    again = quorix.Calibration.from_dict(calibration.to_dict())
    assert again.to_dict() == calibration.to_dict()
    assert quorix.Calibration.from_dict({"calibration": calibration.to_dict()}).to_dict() == calibration.to_dict()


def test_connect_by_info_and_reconnect(camera):
    dev = quorix.Device()
    assert not dev.connected
    dev.connect(quorix.DeviceInfo(ip_address=camera.address, port=camera.port))
    assert dev.connected and dev.info.id == camera.identifier
    dev.disconnect()
    assert not dev.connected
    dev.connect(camera.address, camera.port, timeout_ms=2000)
    assert dev.capture_depth().shape == (DEPTH_SIZE[1], DEPTH_SIZE[0])
    dev.close()
    with quorix.Device(quorix.DeviceInfo(ip_address=camera.address, port=camera.port)) as again:
        assert again.connected


def test_user_sets(device):
    assert device.user_sets == ["default"] and device.current_user_set == "default"
    device.add_user_set("bright")
    assert device.current_user_set == "bright" and device.user_sets == ["default", "bright"]
    device.current_user_set = "default"
    assert device.current_user_set == "default"
    device.delete_user_set("bright")
    device.save_user_sets()
    assert device.user_sets == ["default"]


def test_texture_mask_cloud(device):
    depth, image, calibration = device.capture_depth(), device.capture_color(), device.calibration
    mask = np.zeros_like(image)
    mask[:, : image.shape[1] // 2] = 255
    cloud = quorix.cloud_from_texture_mask(depth, mask, calibration)
    assert cloud.shape == depth.shape + (3,) and cloud.dtype == np.float32
    assert 0 < np.count_nonzero(cloud[..., 2]) < np.count_nonzero(depth)
    # Points under the mask lie on the rays of their pixels: z is the depth.
    taken = cloud[..., 2] != 0
    assert np.array_equal(cloud[..., 2][taken], depth[taken])

    # Arrays of another origin are copied in, with the same result; out= is written in place.
    assert np.array_equal(quorix.cloud_from_texture_mask(depth.copy(), mask.copy(), calibration), cloud)
    out = quorix.cloud_from_texture_mask(depth, mask, calibration)
    assert quorix.cloud_from_texture_mask(depth, mask, calibration, out=out) is out

    colored = quorix.cloud_from_texture_mask(depth, mask, calibration, colored=True)
    assert colored.dtype == quorix.POINT_XYZBGR
    assert np.array_equal(quorix.points(colored), cloud)
    assert np.median(quorix.colors(colored)[taken]) == 255  # the mask's colour, blended at its edge only

    with pytest.raises(ValueError, match="depth must have shape"):
        quorix.cloud_from_texture_mask(depth[..., None], mask, calibration)


def test_version_and_banner():
    assert re.fullmatch(r"\d+\.\d+\.\d+(\+g[0-9a-f]+)?", quorix.__version__)
    assert quorix.api_information().startswith("Quorix API V" + quorix.__version__.split("+")[0])
    assert quorix.build_stamp
