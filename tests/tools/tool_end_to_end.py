"""End-to-end tests of the quorix tool against the virtual camera executable. Every file the tool writes is
read back with file_readers (standard library only). Usage: tool_end_to_end.py TOOL CAMERA WORKDIR CASE"""

import json
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import time

from file_readers import read_float_tiff, read_pcd, read_ply, read_png

TOOL, CAMERA, WORK = sys.argv[1], sys.argv[2], sys.argv[3]
SIZE = "160x120"


def run(*args, ok=True):
    result = subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=120)
    if ok and result.returncode != 0:
        raise AssertionError("quorix %s failed (%d): %s" % (" ".join(args), result.returncode, result.stderr))
    if not ok and result.returncode == 0:
        raise AssertionError("quorix %s should have failed:\n%s" % (" ".join(args), result.stdout))
    if not ok and result.returncode not in (1, 2):
        raise AssertionError("unexpected exit status %d" % result.returncode)
    if not ok and not result.stderr.startswith("quorix: "):
        raise AssertionError("no error message on stderr: %r" % result.stderr)
    return result


class Camera:
    """A quorix-virtual-camera process on 127.0.0.1 with an ephemeral port."""

    def __init__(self, *extra, announce=False):
        args = [CAMERA, "--color-size", SIZE, "--depth-size", SIZE] + ([] if announce else ["--no-announce"])
        self.process = subprocess.Popen(args + list(extra), stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        match = re.search(r"(QXV-\S+).*tcp://127\.0\.0\.1:(\d+)", line)
        if not match:
            self.process.kill()
            raise AssertionError("the virtual camera did not start: %r" % line)
        self.id, self.address = match.group(1), "127.0.0.1:" + match.group(2)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=30)


def path(name):
    return os.path.join(WORK, name)


def check_error_paths():
    run("info", "not-an-address", ok=False)
    run("info", "127.0.0.1:99999", ok=False)
    failed = run("info", "127.0.0.1:1", "--timeout", "300", ok=False)
    assert "cannot connect" in failed.stderr, failed.stderr
    assert failed.returncode == 1
    assert run("capture", "--help").stdout.count("--count") == 1
    for command in ("info", "capture", "usersets", "get"):
        for timeout in ("0", "3600001", "-1"):
            extra = {"usersets": ["list"], "get": ["Scan3DGain"]}.get(command, [])
            refused = run(command, "127.0.0.1:1", *extra, "--timeout", timeout, ok=False)
            assert refused.returncode == 2 and "--timeout" in refused.stderr, (command, timeout, refused.stderr)


def case_info():
    check_error_paths()
    with Camera("--model", "8") as cam:
        text = run("info", cam.address).stdout
        assert "Identity" in text and cam.id in text and "160 x 120" in text, text
        info = json.loads(run("info", cam.address, "--json", "--calibration", path("calibration.json")).stdout)
        assert info["identity"]["id"] == cam.id
        assert info["resolution"] == {"image2DWidth": 160, "image2DHeight": 120, "image3DWidth": 160,
                                      "image3DHeight": 120}
        with open(path("calibration.json")) as f:
            assert json.load(f) == info["calibration"]
        assert len(info["calibration"]["rotation"]) == 3 and len(info["calibration"]["camera3D"]["distortion"]) == 5
    # What a camera says is printed with its control characters escaped.
    with Camera("--id", "QXV-\x1b[2J\x07\x7f\u009b") as cam:
        text = run("info", cam.address).stdout
        assert "QXV-\\x1b[2J\\x07\\x7f\\u009b" in text, text
        assert json.loads(run("info", cam.address, "--json").stdout)["identity"]["id"] == "QXV-\x1b[2J\x07\x7f\u009b"


def measured(x, y, z):
    return z > 0 and all(map(math.isfinite, (x, y, z)))


def case_capture():
    with Camera() as cam:
        report = json.loads(run("capture", cam.address, "--count", "2", "--json", "--color", path("c.png"),
                                "--depth", path("d.tiff"), "--cloud", path("p.ply"), "--colored-cloud",
                                path("q.pcd"), "--depth-preview", path("dp.png"), "--preview",
                                path("pv.png")).stdout)
        assert len(report) == 2 and [f["frame"] for f in report] == [1, 2]
        stages = [s["stage"] for s in report[0]["stages"]]
        assert stages[:4] == ["color", "depth", "cloud", "coloredCloud"] and stages[4:] == ["write"] * 6, stages
        written = [s["file"] for s in report[1]["stages"] if s["stage"] == "write"]
        assert written == [path(n) for n in ("c-0002.png", "d-0002.tiff", "dp-0002.png", "p-0002.ply",
                                             "q-0002.pcd", "pv-0002.png")], written
        for i in ("0001", "0002"):
            assert os.path.exists(path("c-%s.png" % i)) and os.path.exists(path("p-%s.ply" % i))
        w, h, channels, bits, rows = read_png(path("c-0001.png"))
        assert (w, h, channels, bits) == (160, 120, 3, 8)
        assert len({tuple(r[i:i + 3]) for r in rows for i in range(0, len(r), 3)}) > 10, "a flat colour image"
        w, h, depths = read_float_tiff(path("d-0001.tiff"))
        assert (w, h) == (160, 120)
        valid = [d for d in depths if d > 0]
        assert len(valid) > 0.5 * len(depths) and 200 < min(valid) and max(valid) < 100000
        fmt, props, points, _ = read_ply(path("p-0001.ply"))
        assert fmt == "binary_little_endian" and props == ["x", "y", "z"]
        assert len(points) == len(valid), "unorganised PLY keeps exactly the measured points"
        assert all(measured(*p) for p in points)
        header, pcd = read_pcd(path("q-0001.pcd"))
        assert header["FIELDS"] == ["x", "y", "z", "rgb"] and header["HEIGHT"] == ["1"]
        assert len(pcd) == len(valid) and any(p[3] & 0xFF0000 != 0 for p in pcd)
        assert read_png(path("dp-0001.png"))[:4] == (160, 120, 3, 8)
        assert read_png(path("pv-0001.png"), decode=False)[:4] == (960, 720, 3, 8)

        # The same frame as 16-bit PNG, ASCII PLY and organised PCD.
        run("capture", cam.address, "--depth", path("d.png"), "--cloud", path("a.ply"),
            "--ascii", "--colored-cloud", path("o.ply"))
        run("capture", cam.address, "--depth", path("d2.tiff"), "--cloud", path("o.pcd"), "--organized")
        _, _, depths2 = read_float_tiff(path("d2.tiff"))
        w, h, channels, bits, rows = read_png(path("d.png"))
        assert (w, h, channels, bits) == (160, 120, 1, 16)
        flat = [v for r in rows for v in r]
        assert all(abs(v - round(d)) <= 1 for v, d in zip(flat, depths2)), "16-bit PNG is the depth in mm"
        fmt, props, ascii_points, _ = read_ply(path("a.ply"))
        assert fmt == "ascii" and len(ascii_points) == len([d for d in depths2 if d > 0])
        _, props, colored, _ = read_ply(path("o.ply"))
        assert props == ["x", "y", "z", "red", "green", "blue"]
        header, organised = read_pcd(path("o.pcd"))
        assert header["WIDTH"] == ["160"] and header["HEIGHT"] == ["120"] and len(organised) == 160 * 120
        assert sum(1 for p in organised if math.isnan(p[2])) == sum(1 for d in depths2 if d <= 0)
        for p, d in zip(organised, depths2):
            if d > 0:
                assert abs(p[2] - d) < 1e-3 * d, "organised point z is the pixel's depth"

        plain = run("capture", cam.address).stdout
        assert plain.startswith("frame 1/1") and "coloredCloud" in plain
        run("capture", cam.address, "--count", "-1", ok=False)
        check_continuous_capture(cam)
        run("capture", cam.address, "--color", "/nonexistent-dir/c.png", ok=False)


def check_continuous_capture(cam):
    """--count 0 captures until Ctrl-C, which finishes the frame under way and leaves only whole files."""
    folder = path("continuous")
    os.makedirs(folder, exist_ok=True)
    process = subprocess.Popen([TOOL, "capture", cam.address, "--count", "0", "--interval", "20", "--color",
                                os.path.join(folder, "c.png"), "--cloud", os.path.join(folder, "p.ply")],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    while not os.path.exists(os.path.join(folder, "p-0003.ply")):
        assert time.monotonic() < deadline and process.poll() is None, "no third frame"
        time.sleep(0.02)
    process.send_signal(signal.SIGINT)
    out, err = process.communicate(timeout=60)
    assert process.returncode == 0, err
    lines = out.splitlines()
    assert len(lines) >= 3 and all(line.startswith("frame %d: " % (i + 1)) for i, line in enumerate(lines)), out
    names = sorted(os.listdir(folder))
    assert names == sorted(["c-%04d.png" % i for i in range(1, len(lines) + 1)] +
                           ["p-%04d.ply" % i for i in range(1, len(lines) + 1)]), names
    for i in range(1, len(lines) + 1):
        read_png(os.path.join(folder, "c-%04d.png" % i))
        read_ply(os.path.join(folder, "p-%04d.ply" % i))


def close(a, b):
    """Equal structures of numbers, within the rounding of the camera's pose encoding."""
    if isinstance(a, dict):
        return a.keys() == b.keys() and all(close(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return len(a) == len(b) and all(close(x, y) for x, y in zip(a, b))
    return abs(a - b) <= 1e-9 * max(1.0, abs(a))


def case_record():
    with Camera() as cam:
        run("capture", cam.address, "--record", path("scene"), "--color", path("first.png"), "--depth",
            path("first.tiff"), "--count", "2")
    with open(path("scene/scene.json")) as f:
        scene = json.load(f)
    assert len(scene["frames"]) == 2 and scene["resolution"]["image3DWidth"] == 160
    with Camera("--scene", path("scene")) as replay:
        info = json.loads(run("info", replay.address, "--json").stdout)
        assert close(info["calibration"], scene["calibration"]), "the replay serves the recorded calibration"
        run("capture", replay.address, "--color", path("again.png"), "--depth", path("again.tiff"), "--count", "2")
    for i in ("0001", "0002"):
        assert read_png(path("first-%s.png" % i)) == read_png(path("again-%s.png" % i)), "colour differs"
        assert read_float_tiff(path("first-%s.tiff" % i)) == read_float_tiff(path("again-%s.tiff" % i)), "depth"
    with Camera("--scene", path("scene")) as replay:
        run("capture", replay.address, "--colored-cloud", path("replayed.ply"))
    assert len(read_ply(path("replayed.ply"))[2]) > 0
    os.remove(path("scene/frame-0002-depth.f32"))
    broken = subprocess.run([CAMERA, "--no-announce", "--scene", path("scene")], capture_output=True, text=True,
                            timeout=30)
    assert broken.returncode != 0 and "frame-0002-depth.f32" in broken.stderr, broken.stderr


def case_settings():
    with Camera() as cam:
        table = run("get", cam.address).stdout
        assert "Scan2DExposureTime" in table and "DepthRange" in table
        settings = json.loads(run("get", cam.address, "--json").stdout)
        # Model 13 has no laser projector: its settings are left out, not reported as failures.
        assert "LaserSettings" not in settings and "Scan3DExposure" in settings and settings["Scan2DExposureMode"] in ("Timed", "Auto", "HDR", "Flash")
        assert json.loads(run("set", cam.address, "Scan2DExposureTime", "42.5", "--json").stdout) == {
            "Scan2DExposureTime": 42.5}
        assert run("set", cam.address, "CloudSmoothMode", "strong").stdout.strip() == "CloudSmoothMode = Strong"
        assert "300" in run("set", cam.address, "DepthRange", "300,2000").stdout
        assert "[10.0,20.0]" in run("set", cam.address, "Scan3DExposure", "10,20").stdout
        assert "Width" in run("set", cam.address, "Scan2DROI", "0,0,80,60").stdout
        for key, value in [("Scan2DExposureTime", "1000"), ("DepthRange", "2000,300"), ("CloudSmoothMode", "7"),
                           ("Scan2DROI", "100,0,80,60"), ("NoSuchSetting", "1"), ("Scan3DGain", "high")]:
            run("set", cam.address, key, value, ok=False)
        assert json.loads(run("get", cam.address, "Scan2DExposureTime", "--json").stdout) == {
            "Scan2DExposureTime": 42.5}, "a refused value changed the camera"
        run("get", cam.address, "NoSuchSetting", ok=False)

        run("settings", cam.address, "--save", path("preset.json"))
        with open(path("preset.json")) as f:
            preset = json.load(f)
        assert preset["settings"]["Scan2DExposureTime"] == 42.5
        preset["settings"]["Scan2DExposureTime"] = 12
        preset["settings"]["Scan3DGain"] = 3
        bad = json.loads(json.dumps(preset))
        bad["settings"]["Scan3DGain"] = 99
        bad["settings"]["FringeMinThreshold"] = 0
        bad["settings"]["Bogus"] = 1
        with open(path("bad.json"), "w") as f:
            json.dump(bad, f)
        refused = run("settings", cam.address, "--load", path("bad.json"), ok=False).stderr
        for word in ("Scan3DGain", "FringeMinThreshold", "Bogus", "nothing was sent"):
            assert word in refused, refused
        assert json.loads(run("get", cam.address, "Scan2DExposureTime", "--json").stdout)["Scan2DExposureTime"] == 42.5
        with open(path("good.json"), "w") as f:
            json.dump(preset, f)
        run("settings", cam.address, "--load", path("good.json"))
        now = json.loads(run("get", cam.address, "Scan2DExposureTime", "Scan3DGain", "--json").stdout)
        assert now == {"Scan2DExposureTime": 12.0, "Scan3DGain": 3.0}, now
        run("settings", cam.address, ok=False)

        # A value of the wrong form is refused naming the setting and the form it takes.
        for value in ("true", "abc", "[1,2,3,4]"):
            refused = run("set", cam.address, "Scan3DExposure", value, ok=False).stderr
            assert "Scan3DExposure must be 1 to 3 numbers" in refused, refused
        # One refused value (a scalar among them) and nothing of the preset is applied.
        before = json.loads(run("get", cam.address, "--json").stdout)
        with open(path("one-bad.json"), "w") as f:
            json.dump({"settings": {"Scan2DExposureTime": 77, "Scan3DGain": 2.5, "Scan3DExposure": 500}}, f)
        refused = run("settings", cam.address, "--load", path("one-bad.json"), ok=False).stderr
        assert "Scan3DExposure" in refused and "nothing was sent" in refused, refused
        assert json.loads(run("get", cam.address, "--json").stdout) == before
        # A file the JSON reader cannot take is refused with its name, whatever is in it.
        for name, text in (("deep.json", "[" * 100000 + "]" * 100000), ("broken.json", '{"settings": {'),
                           ("list.json", "[1, 2]")):
            with open(path(name), "w") as f:
                f.write(text)
            refused = run("settings", cam.address, "--load", path(name), ok=False).stderr
            assert path(name) in refused, refused
        run("settings", cam.address, "--load", path("missing.json"), ok=False)

    # What get prints is accepted back by set and by a preset, for every setting of every model class.
    for model in ("13", "4", "8", "1", "9", "3"):
        with Camera("--model", model) as cam:
            values = json.loads(run("get", cam.address, "--json").stdout)
            for key, value in values.items():
                run("set", cam.address, key, json.dumps(value, separators=(",", ":")))
            assert json.loads(run("get", cam.address, "--json").stdout) == values, model
            run("settings", cam.address, "--save", path("model-%s.json" % model))
            run("settings", cam.address, "--load", path("model-%s.json" % model))
    # A preset of another model: refused as a whole, or applied without what this model lacks.
    with Camera("--model", "8") as vela:
        refused = run("settings", vela.address, "--load", path("model-13.json"), ok=False).stderr
        assert "ProjectorPowerLevel is not available" in refused, refused
        applied = run("settings", vela.address, "--load", path("model-13.json"), "--skip-unsupported").stdout
        assert "Skipped 3 not available on this model: ProjectorFringeCodingMode, ProjectorPowerLevel, " \
               "ProjectorAntiFlickerMode" in applied, applied


def case_usersets():
    with Camera() as cam:
        listed = json.loads(run("usersets", cam.address, "list", "--json").stdout)
        assert listed["current"] == "default"
        added = json.loads(run("usersets", cam.address, "add", "bright", "--json").stdout)
        assert added["current"] == "bright" and "bright" in added["userSets"]
        assert json.loads(run("usersets", cam.address, "select", "default", "--json").stdout)["current"] == "default"
        assert "* " in run("usersets", cam.address, "save").stdout
        after = json.loads(run("usersets", cam.address, "delete", "bright", "--json").stdout)
        assert "bright" not in after["userSets"]
        run("usersets", cam.address, "delete", "default", ok=False)
        run("usersets", cam.address, "add", ok=False)
        run("usersets", cam.address, "rename", "x", ok=False)
        listed = run("usersets", cam.address, "add", "evil\x1b]0;title\x07\r").stdout
        assert "evil\\x1b]0;title\\x07\\r" in listed and "\x1b" not in listed, listed


def case_mask_cloud():
    with Camera() as cam:
        run("capture", cam.address, "--depth", path("depth.tiff"), "--color", path("color.png"), "--calibration",
            path("cal.json"))
    # A mask of the left half of the 2D image, written as a gray PNG by hand.
    import struct
    import zlib
    raw = b"".join(b"\x00" + bytes([255] * 80 + [0] * 80) for _ in range(120))
    chunks = [(b"IHDR", struct.pack(">IIBBBBB", 160, 120, 8, 0, 0, 0, 0)), (b"IDAT", zlib.compress(raw)),
              (b"IEND", b"")]
    with open(path("mask.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        for kind, data in chunks:
            f.write(struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data)))
    out = json.loads(run("mask-cloud", "--depth", path("depth.tiff"), "--mask", path("mask.png"), "--calibration",
                         path("cal.json"), "--output", path("mask.ply"), "--json").stdout)
    _, _, points, _ = read_ply(path("mask.ply"))
    _, _, depths = read_float_tiff(path("depth.tiff"))
    assert out["points"] == len(points) and 0 < len(points) < len([d for d in depths if d > 0])
    assert all(measured(*p) for p in points)
    # The same with the calibration inside the output of info --json, written as PCD.
    with Camera() as cam:
        with open(path("info.json"), "w") as f:
            f.write(run("info", cam.address, "--json").stdout)
    run("mask-cloud", "--depth", path("depth.tiff"), "--mask", path("mask.png"), "--calibration",
        path("info.json"), "--output", path("mask.pcd"))
    assert len(read_pcd(path("mask.pcd"))[1]) == len(points)
    with open(path("broken.json"), "w") as f:
        f.write('{"camera2D": {"fx": "wide"}}')
    failed = run("mask-cloud", "--depth", path("depth.tiff"), "--mask", path("mask.png"), "--calibration",
                 path("broken.json"), "--output", path("x.ply"), ok=False)
    assert "camera2D" in failed.stderr
    run("mask-cloud", "--depth", path("mask.png"), "--mask", path("mask.png"), "--calibration", path("cal.json"),
        "--output", path("x.ply"), ok=False)
    run("mask-cloud", "--depth", path("cal.json"), "--mask", path("mask.png"), "--calibration", path("cal.json"),
        "--output", path("x.ply"), ok=False)


def case_list():
    with Camera(announce=True) as cam:
        cameras = json.loads(run("list", "--json").stdout)
        mine = [c for c in cameras if c["id"] == cam.id]
        assert len(mine) == 1 and mine[0]["ipAddress"] == "127.0.0.1", cameras
        assert cam.id in run("list").stdout
    # Without any camera the library reports its receive time-out: standard output stays one JSON document.
    json.loads(run("list", "--json").stdout)
    # Another program holds the port (without address reuse): a failure, not an empty list.
    import socket
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as holder:
        holder.bind(("0.0.0.0", 45454))
        for args in (["list"], ["list", "--json"]):
            failed = run(*args, ok=False)
            assert failed.returncode == 1 and failed.stdout == "", failed.stdout
            assert "UDP port 45454 is taken" in failed.stderr, failed.stderr


def case_demo():
    out = path("demo")
    result = run("demo", "--output", out)
    assert "found QXV-" in result.stdout, "the demo did not find its camera by discovery"
    names = result.stdout.strip().splitlines()[-1].split(":", 1)[1].split()
    assert len(names) >= 12 and all(os.path.getsize(os.path.join(out, n)) > 0 for n in names)
    fmt, props, points, _ = read_ply(os.path.join(out, "colored-cloud.ply"))
    assert props[3:] == ["red", "green", "blue"] and len(points) > 100000
    assert len(read_ply(os.path.join(out, "mask-cloud.ply"))[2]) < len(points)
    header, _ = read_pcd(os.path.join(out, "cloud.pcd"))
    assert header["HEIGHT"] != ["1"], "the demo's cloud.pcd is organised"
    for name in ("color.png", "depth.png", "depth-preview.png", "cloud-preview.png", "mask.png"):
        read_png(os.path.join(out, name), decode=False)
    read_float_tiff(os.path.join(out, "depth.tiff"))


if __name__ == "__main__":
    case = sys.argv[4]
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    globals()["case_" + case]()
    print("quorix %s: passed" % case)
