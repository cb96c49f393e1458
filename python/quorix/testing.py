"""A Quorix camera without hardware, for tests of your own software.

:class:`VirtualCamera` runs the virtual camera inside the Python process on a free loopback port: it
answers the camera's protocol, renders a calibrated synthetic scene (or serves a scene recorded with
``quorix capture --record``), keeps user sets and can misbehave on demand::

    from quorix.testing import VirtualCamera

    def test_my_cell():
        with VirtualCamera(model=13) as camera, camera.connect() as device:
            depth = device.capture_depth()
            assert depth.shape == device.resolution.depth_shape

Several cameras may run at once, each on its own port.
"""

import quorix

try:
    from ._virtualcam import VirtualCamera as _VirtualCamera
except ImportError as error:  # built without the virtual camera
    _VirtualCamera = None
    _IMPORT_ERROR = error

__all__ = ["VirtualCamera"]


class VirtualCamera:
    """A virtual camera served from this process; a context manager that starts and stops it.

    model: the camera's model code (13 by default; 2 is a ZIKA, 8 an ORX...). scene: a folder recorded
    with ``quorix capture --record`` to serve instead of the synthetic scene. color_size, depth_size:
    (width, height) of the images (the model's own sizes by default; small sizes make fast tests).
    address, port: where to serve (127.0.0.1 and a free port by default). identifier, firmware_version:
    what the camera reports. state_dir: a folder that keeps the saved user sets across runs.
    announce: announce the camera on UDP (to announce_address:announce_port) so that quorix.discover()
    finds it; off by default so that tests do not disturb each other.
    """

    def __init__(self, model=13, scene=None, *, color_size=None, depth_size=None, address="127.0.0.1", port=0,
                 identifier="", firmware_version="2.1.0", state_dir=None, announce=False,
                 announce_address="127.0.0.1", announce_port=45454):
        if _VirtualCamera is None:
            raise ImportError("quorix was built without the virtual camera") from _IMPORT_ERROR
        self._camera = _VirtualCamera(
            model=model, scene=None if scene is None else str(scene), address=address, port=port,
            color_size=color_size, depth_size=depth_size, identifier=identifier,
            firmware_version=firmware_version, state_dir=None if state_dir is None else str(state_dir),
            announce=announce, announce_address=announce_address, announce_port=announce_port)

    def start(self):
        """Starts serving; raises RuntimeError with the reason when it cannot."""
        self._camera.start()
        return self

    def stop(self):
        """Stops serving (idempotent). Unsaved user-set changes are dropped."""
        self._camera.stop()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def running(self):
        return self._camera.running

    @property
    def address(self):
        """The address the camera serves on."""
        return self._camera.address

    @property
    def port(self):
        """The command port, once started."""
        return self._camera.port

    @property
    def endpoint(self):
        """"tcp://address:port"."""
        return self._camera.endpoint

    @property
    def identifier(self):
        """The identifier the camera reports, once started."""
        return self._camera.identifier

    @property
    def frames_rendered(self):
        """Images rendered so far (an unchanged configuration reuses its last images)."""
        return self._camera.frames_rendered

    def connect(self, timeout_ms=5000):
        """A quorix.Device connected to this camera."""
        return quorix.Device(self.address, self.port, timeout_ms)

    # Faults, usable while running.

    def set_reply_delay(self, milliseconds):
        """Holds back every reply this long."""
        self._camera.set_reply_delay(milliseconds)

    def stay_silent_for(self, requests):
        """Leaves the next `requests` requests unanswered."""
        self._camera.stay_silent_for(requests)

    def fail_command(self, command, message="Simulated camera failure."):
        """Answers `command` ("*": every command) with `message` as the camera's error."""
        self._camera.fail_command(command, message)

    def clear_command_failure(self):
        self._camera.clear_command_failure()

    def truncate_next_replies(self, count):
        """The next `count` replies lose their second half."""
        self._camera.truncate_next_replies(count)

    def malform_next_replies(self, count):
        """The next `count` replies carry JSON that does not parse."""
        self._camera.malform_next_replies(count)

    def set_old_firmware(self, on=True):
        """Reports a firmware older than any the library accepts."""
        self._camera.set_old_firmware(on)
