"""The GIL is released during exchanges: two cameras capture from two threads, and Python runs meanwhile."""

import threading

from quorix.testing import VirtualCamera

from conftest import small_camera


def test_two_cameras_in_two_threads_give_their_own_frames():
    from _quorix_reference import ReferenceDevice

    with small_camera(model=13) as a, VirtualCamera(model=8, color_size=(120, 90), depth_size=(96, 72)) as b:
        results, errors = {}, []

        def work(cam):
            try:
                with cam.connect() as dev:
                    clouds = [dev.capture_colored_cloud().tobytes() for _ in range(5)]
                results[cam.port] = (clouds, ReferenceDevice(cam.address, cam.port).capture("colored_cloud"))
            except Exception as error:  # reported by the main thread
                errors.append(error)

        threads = [threading.Thread(target=work, args=(cam,)) for cam in (a, b)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(60)
        assert not errors
        for clouds, expected in results.values():
            assert all(cloud == expected for cloud in clouds)
        assert len(results[a.port][1]) == 160 * 120 * 16 and len(results[b.port][1]) == 96 * 72 * 16


def test_python_runs_while_a_capture_waits_for_the_camera(camera, device):
    camera.set_reply_delay(2000)
    done = threading.Event()

    def capture():
        device.capture_depth()
        done.set()

    worker = threading.Thread(target=capture)
    worker.start()
    # Holding the GIL through the capture would keep this thread from running until the capture returned.
    done.wait(0.3)
    running_meanwhile = not done.is_set()
    worker.join(30)
    assert running_meanwhile and done.is_set()
