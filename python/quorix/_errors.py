"""The exceptions of the quorix package: one class per error code of the library."""


class Error(Exception):
    """A failed operation of the camera library.

    ``code`` is the library's error code (a negative number) and ``message`` its text for a person.
    """

    code = None

    def __init__(self, code, message=""):
        super().__init__(code, message)
        self.code = code
        self.message = message

    def __str__(self):
        return "%s (%s %d)" % (self.message or "no message", _NAMES.get(self.code, "error"), self.code)


class InvalidDeviceError(Error):
    """The device is not connected, or the camera could not be reached or identified (code -1)."""


class ReadError(Error):
    """The camera did not answer in time, or its reply could not be read (code -2)."""


class UnsupportedFirmwareError(Error):
    """The camera's firmware is older than the library supports (code -3)."""


class WriteError(Error):
    """A value was refused, by the library's checks or by the camera (code -4)."""


class UnsupportedModelError(Error):
    """The connected model does not have this setting or operation (code -5)."""


class CaptureError(Error):
    """The camera could not capture (code -6)."""


class EmptyInputError(Error):
    """An input image or map is empty (code -7)."""


class InvalidIntrinsicsError(Error):
    """The calibration cannot be used (code -8)."""


_CLASSES = {
    -1: InvalidDeviceError,
    -2: ReadError,
    -3: UnsupportedFirmwareError,
    -4: WriteError,
    -5: UnsupportedModelError,
    -6: CaptureError,
    -7: EmptyInputError,
    -8: InvalidIntrinsicsError,
}
_NAMES = {
    -1: "InvalidDevice",
    -2: "ReadError",
    -3: "UnsupportedFirmware",
    -4: "WriteError",
    -5: "UnsupportedModel",
    -6: "CaptureError",
    -7: "EmptyInput",
    -8: "InvalidIntrinsics",
}


def error_for(code, message):
    """The exception for a status of the library (quorix.Error itself for an unknown code)."""
    return _CLASSES.get(code, Error)(code, message)
