"""Installs the project into a scratch prefix and uses the installed quorix package from a fresh interpreter,
away from the build tree: the modules must find the installed library by themselves.
Usage: check_install.py CMAKE BUILD_DIR PREFIX PYTHON_INSTALL_DIR"""

import os
import shutil
import subprocess
import sys

cmake, build, prefix, python_dir = sys.argv[1:5]
shutil.rmtree(prefix, ignore_errors=True)
subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)

program = """
import quorix, quorix.testing
assert quorix.__file__.startswith(%r), quorix.__file__
with quorix.testing.VirtualCamera(depth_size=(64, 48), color_size=(64, 48)) as camera, camera.connect() as dev:
    assert dev.capture_cloud().shape == (48, 64, 3)
print(quorix.__version__)
""" % prefix
env = {key: value for key, value in os.environ.items() if key not in ("PYTHONPATH", "LD_LIBRARY_PATH")}
env["PYTHONPATH"] = os.path.join(prefix, python_dir)
subprocess.run([sys.executable, "-c", program], check=True, env=env, cwd=prefix)
