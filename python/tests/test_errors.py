"""Failures raise the quorix.Error subclass of their code, with the library's message."""

import numpy as np
import pytest

import quorix
from quorix import _errors

from conftest import small_camera

NOT_CONNECTED = "Invalid device. Please use connect() to connect to a Quorix device."


def test_every_code_has_its_class():
    for code, cls in [(-1, quorix.InvalidDeviceError), (-2, quorix.ReadError), (-3, quorix.UnsupportedFirmwareError),
                      (-4, quorix.WriteError), (-5, quorix.UnsupportedModelError), (-6, quorix.CaptureError),
                      (-7, quorix.EmptyInputError), (-8, quorix.InvalidIntrinsicsError)]:
        error = _errors.error_for(code, "why")
        assert type(error) is cls and isinstance(error, quorix.Error)
        assert (error.code, error.message) == (code, "why") and str(error).startswith("why (")
    assert type(_errors.error_for(-99, "x")) is quorix.Error


def test_not_connected():
    dev = quorix.Device()
    for call in (lambda: dev.info, dev.capture_depth, dev.capture_colored_cloud, lambda: dev.user_sets):
        with pytest.raises(quorix.InvalidDeviceError) as raised:
            call()
        assert raised.value.code == -1 and raised.value.message == NOT_CONNECTED
    with pytest.raises(quorix.InvalidDeviceError, match="IP Address is invalid"):
        dev.connect("not-an-address")


def test_camera_faults(camera, device):
    camera.fail_command("CaptureImage", "Projector overheated.")
    with pytest.raises(quorix.CaptureError) as raised:
        device.capture_cloud()
    assert raised.value.code == -6 and raised.value.message == "Projector overheated."
    camera.clear_command_failure()

    with pytest.raises(quorix.WriteError, match="Input user set name is empty."):
        device.add_user_set("")

    with camera.connect(timeout_ms=300) as impatient:
        camera.stay_silent_for(1)
        with pytest.raises(quorix.ReadError) as raised:
            impatient.capture_depth()
        assert raised.value.code == -2
        assert impatient.capture_depth().size  # the next exchange works again


def test_old_firmware_and_unreachable_camera():
    with small_camera(firmware_version="1.8.0") as old:
        with pytest.raises(quorix.UnsupportedFirmwareError) as raised:
            old.connect()
        assert raised.value.code == -3
    with pytest.raises(quorix.InvalidDeviceError):
        quorix.Device("127.0.0.1", 1, timeout_ms=200)


def test_texture_mask_refusals(device):
    depth, image = device.capture_depth(), device.capture_color()
    with pytest.raises(quorix.EmptyInputError):
        quorix.cloud_from_texture_mask(np.zeros((0, 0), np.float32), image, device.calibration)
    with pytest.raises(quorix.InvalidIntrinsicsError):
        quorix.cloud_from_texture_mask(depth, image, quorix.Calibration())
