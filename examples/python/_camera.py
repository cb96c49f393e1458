"""The camera the examples talk to: ADDRESS [PORT] from the command line, or a virtual camera in-process."""

import contextlib
import sys

import quorix
from quorix.testing import VirtualCamera


@contextlib.contextmanager
def camera_from_arguments():
    """Yields a connected quorix.Device."""
    if len(sys.argv) > 1:
        port = int(sys.argv[2]) if len(sys.argv) > 2 else 5577
        with quorix.Device(sys.argv[1], port) as device:
            yield device
    else:
        print("no camera given (ADDRESS [PORT]): using a virtual camera")
        with VirtualCamera() as camera, camera.connect() as device:
            yield device
