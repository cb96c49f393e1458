"""Lists the cameras announcing themselves, connects to the first and prints what it says about itself."""

import quorix

print("quorix", quorix.__version__)
cameras = quorix.discover(timeout=3.0)  # listens on UDP port 45454 until 3 s pass without a new camera
for info in cameras:
    print("found %s %s at %s:%d, firmware %s" % (info.model, info.id, info.ip_address, info.port,
                                                 info.firmware_version))
if not cameras:
    print("no camera announced itself (is UDP 45454 open in the firewall?)")
else:
    with quorix.Device() as device:
        device.connect(cameras[0])
        print(device.info)
        print(device.resolution)
        print(device.calibration.camera_3d.matrix)
