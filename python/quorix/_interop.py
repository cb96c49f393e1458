"""What connects the package to the rest of Python: diagnostics to logging, clouds to Open3D."""

import logging

import numpy as _np

from ._quorix import POINT_XYZBGR, set_diagnostic_handler


def log_diagnostics(logger=None, level=logging.WARNING):
    """Sends the library's diagnostic lines to logger (logging.getLogger("quorix") by default) at level,
    instead of printing them. Returns the handler installed; set_diagnostic_handler(None) restores printing."""
    if logger is None:
        logger = logging.getLogger("quorix")

    def handler(line):
        logger.log(level, "%s", line)

    set_diagnostic_handler(handler)
    return handler


def to_open3d(cloud):
    """An open3d.geometry.PointCloud of a cloud (float32 (height, width, 3), or quorix.POINT_XYZBGR whose
    colours become the point colours), without the points where nothing was measured. Needs open3d."""
    try:
        import open3d
    except ImportError as error:
        raise ImportError("quorix.to_open3d needs the open3d package (apt install python3-open3d, or "
                          "pip install open3d)") from error
    from . import colors, points
    xyz = points(cloud).reshape(-1, 3)
    measured = (xyz[:, 2] > 0) & _np.isfinite(xyz).all(axis=1)
    result = open3d.geometry.PointCloud(open3d.utility.Vector3dVector(xyz[measured].astype(_np.float64)))
    if cloud.dtype == POINT_XYZBGR:
        rgb = colors(cloud).reshape(-1, 3)[measured][:, ::-1]
        result.colors = open3d.utility.Vector3dVector(rgb.astype(_np.float64) / 255.0)
    return result
