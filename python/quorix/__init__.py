"""Quorix 3D cameras from Python.

Find cameras with :func:`discover`, connect a :class:`Device`, and capture numpy arrays that view the
library's own frame memory (no copies)::

    import quorix

    with quorix.Device("192.168.1.20") as camera:
        depth = camera.capture_depth()           # float32 (height, width), millimetres, 0 = nothing measured
        cloud = camera.capture_cloud()           # float32 (height, width, 3), x y z in millimetres
        for _ in range(100):
            cloud = camera.capture_cloud(out=cloud)   # written in place: no allocation per capture

Settings are reached by name (``camera.settings["Scan2DExposureTime"] = 30``), clouds can be computed on
the host from held depth maps (:func:`compute_cloud`), and :func:`save` writes PLY, PCD, PNG and TIFF files.

Failures raise subclasses of :class:`Error`. :mod:`quorix.testing` starts a virtual camera in the process
for tests without hardware.
"""

import atexit as _atexit

import numpy as _np

from ._errors import (
    CaptureError,
    EmptyInputError,
    Error,
    InvalidDeviceError,
    InvalidIntrinsicsError,
    ReadError,
    UnsupportedFirmwareError,
    UnsupportedModelError,
    WriteError,
)
from ._quorix import (
    POINT_XYZBGR,
    Calibration,
    Device,
    DeviceInfo,
    Intrinsics,
    Resolution,
    SettingDescription,
    SettingEnumerator,
    SettingField,
    SettingFieldSpan,
    SettingImage,
    SettingKind,
    __version__,
    api_information,
    build_stamp,
    cloud_from_texture_mask,
    compute_cloud,
    compute_colored_cloud,
    discover,
    set_diagnostic_handler,
    setting_catalogue,
)
from ._interop import log_diagnostics, to_open3d
from ._settings import Settings

try:
    from ._quorix import load_calibration, load_color, load_depth, save
except ImportError:  # built without the export library
    pass

__all__ = [
    "POINT_XYZBGR",
    "Calibration",
    "CaptureError",
    "Device",
    "DeviceInfo",
    "EmptyInputError",
    "Error",
    "Intrinsics",
    "InvalidDeviceError",
    "InvalidIntrinsicsError",
    "ReadError",
    "Resolution",
    "UnsupportedFirmwareError",
    "UnsupportedModelError",
    "WriteError",
    "__version__",
    "api_information",
    "build_stamp",
    "SettingDescription",
    "SettingEnumerator",
    "SettingField",
    "SettingFieldSpan",
    "SettingImage",
    "SettingKind",
    "Settings",
    "cloud_from_texture_mask",
    "colors",
    "compute_cloud",
    "compute_colored_cloud",
    "discover",
    "load_calibration",
    "load_color",
    "load_depth",
    "log_diagnostics",
    "points",
    "rgb",
    "save",
    "set_diagnostic_handler",
    "setting_catalogue",
    "to_open3d",
]


def rgb(image):
    """The R, G, B view of a B, G, R image of shape (..., 3), for PIL, matplotlib and friends (no copy)."""
    return image[..., ::-1]


def points(cloud):
    """The float32 (height, width, 3) x, y, z view of a cloud: the cloud itself, or the coordinates of a
    coloured cloud (no copy; writes go to the cloud)."""
    if cloud.dtype != POINT_XYZBGR:
        return cloud
    return _np.ndarray(cloud.shape + (3,), _np.float32, cloud, POINT_XYZBGR.fields["x"][1],
                       cloud.strides + (4,))


def colors(cloud):
    """The uint8 (height, width, 3) B, G, R view of a coloured cloud (no copy; writes go to the cloud)."""
    if cloud.dtype != POINT_XYZBGR:
        raise TypeError("colors() takes a coloured cloud (dtype quorix.POINT_XYZBGR)")
    return _np.ndarray(cloud.shape + (3,), _np.uint8, cloud, POINT_XYZBGR.fields["b"][1], cloud.strides + (1,))


def _intrinsics_to_dict(camera):
    return {"fx": camera.fx, "fy": camera.fy, "cx": camera.cx, "cy": camera.cy,
            "distortion": list(camera.distortion)}


def _intrinsics_from_dict(d):
    camera = Intrinsics()
    camera.fx, camera.fy, camera.cx, camera.cy = d["fx"], d["fy"], d["cx"], d["cy"]
    camera.distortion = tuple(d.get("distortion", (0.0,) * 5))
    return camera


def _calibration_to_dict(self):
    """The calibration as the dictionary of the calibration JSON files of the quorix tool."""
    return {"camera2D": _intrinsics_to_dict(self.camera_2d), "camera3D": _intrinsics_to_dict(self.camera_3d),
            "rotation": self.rotation.tolist(), "translation": self.translation.tolist()}


def _calibration_from_dict(cls, d):
    """A calibration from the dictionary of a calibration JSON file (``quorix info --calibration``), or of
    a document whose "calibration" member is one (``quorix info --json``)."""
    if "calibration" in d:
        d = d["calibration"]
    calibration = cls()
    calibration.camera_2d = _intrinsics_from_dict(d["camera2D"])
    calibration.camera_3d = _intrinsics_from_dict(d["camera3D"])
    calibration.rotation = d["rotation"]
    calibration.translation = d["translation"]
    return calibration


Calibration.to_dict = _calibration_to_dict
Calibration.from_dict = classmethod(_calibration_from_dict)

Device.settings = property(Settings, doc="The connected camera's settings by name (a quorix.Settings).")

# The handler must not outlive the interpreter: the library may call it until the process ends.
_atexit.register(set_diagnostic_handler, None)
