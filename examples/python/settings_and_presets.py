"""Lists the camera's settings from the library's catalogue, changes some by name, keeps them all as a JSON
preset, restores it, and saves a capture through the export library with diagnostics sent to logging.

Usage: settings_and_presets.py [ADDRESS [PORT]]   (without an address: a virtual camera in this process)
"""

import json
import logging

import quorix
from _camera import camera_from_arguments

logging.basicConfig(level=logging.INFO, format="%(name)s %(levelname)s %(message)s")
quorix.log_diagnostics()  # the library's diagnostic lines (lost replies...) go to logging.getLogger("quorix")

with camera_from_arguments() as camera:
    settings = camera.settings
    for name in settings:
        d = settings.describe(name)
        limits = ""
        if d.kind in (quorix.SettingKind.Integer, quorix.SettingKind.Real, quorix.SettingKind.RealList):
            limits = "%g to %g %s" % (d.minimum, d.maximum, d.unit)
        elif d.kind == quorix.SettingKind.Enumeration:
            limits = " | ".join(e.name for e in d.enumerators)
        elif d.kind == quorix.SettingKind.Record:
            limits = "{%s}" % ", ".join(f.name for f in d.fields)
        print("%-26s %-12s %-32s = %s" % (name, d.kind.name, limits, settings[name]))

    preset = settings.to_dict()  # enumerations by name: a readable JSON file
    with open("preset.json", "w") as f:
        json.dump(preset, f, indent=2)

    settings["Scan2DExposureTime"] = 30                    # a number, in the setting's unit (ms)
    settings["ProjectorPowerLevel"] = "Low"                # an enumerator by name
    depth_range = settings["DepthRange"]                   # a record as a dict of its fields
    settings["DepthRange"] = {"depthUpperLimit": depth_range["depthUpperLimit"] - 500}
    print("now", settings["ProjectorPowerLevel"].name, settings["DepthRange"])
    try:
        settings["Scan2DExposureTime"] = 1e6
    except quorix.WriteError as error:
        print("refused:", error.message)

    with open("preset.json") as f:
        settings.update(json.load(f))
    assert settings.to_dict() == preset
    print("preset restored:", len(preset), "settings")

    depth = camera.capture_depth()
    color = camera.capture_color()
    cloud = quorix.compute_colored_cloud(depth, color, camera.calibration)  # the capture's cloud, on the host
    quorix.save("cloud.ply", cloud)
    quorix.save("depth.tiff", depth)
    print("saved cloud.ply and depth.tiff")
