#pragma once

// A Quorix camera without hardware: the camera's side of the command protocol on a loopback port, a
// calibrated synthetic scene to capture, user sets with persistence, announcements and switchable faults.
// Start as many as needed in one process, each on its own port and with its own state.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace quorix {
namespace virtualcam {

struct ImageSize {
    int width = 0;
    int height = 0;
};

// Misbehaviour on demand. Counts apply to the next requests the camera receives, whatever their command.
struct Faults {
    int replyDelayMs = 0;     // every reply held back this long
    int silentRequests = 0;   // the next N requests are never answered
    std::string failCommand;  // this command ("*": every command) is answered with failMessage as "err_msg"
    std::string failMessage = "Simulated camera failure.";
    int truncatedReplies = 0;  // the next N replies lose their second half
    int malformedReplies = 0;  // the next N replies carry JSON text that does not parse
    int oversizedReplies = 0;  // the next N replies are followed by megabytes of junk
    bool velaCalibrationFollowsMode =
        false;                   // a VELA camera's depth calibration changes with its capture mode
    bool reportVirtual = false;  // "isVirtual" true in the identity
    bool oldFirmware = false;    // reports a firmware older than any the library accepts
};

struct Options {
    std::string address = "127.0.0.1";
    std::uint16_t port = 0;  // 0: an ephemeral port, see VirtualCamera::port()
    int modelCode = 13;
    std::string firmwareVersion = "2.1.0";
    std::string hardwareVersion = "1.2";
    std::string identifier;  // empty: "QXV-" followed by the address's last number and the port
    ImageSize colorSize;     // 0 x 0: the size of the model's class
    ImageSize depthSize;
    // Folder of the user-set file. Empty: user sets live only as long as the camera.
    std::string stateDirectory;
    // A scene recorded by `quorix capture --record`: its calibration, image sizes and frames are served
    // instead of the synthetic scene (settings no longer change the images). Empty: the synthetic scene.
    std::string sceneDirectory;
    // Announcements are off by default in-process so that tests do not disturb each other's listeners.
    bool announce = false;
    std::string announceAddress = "127.0.0.1";
    std::uint16_t announcePort = 45454;
    int announcePeriodMs = 1000;
    Faults faults;
};

// What the depth camera sees at one pixel, for checks of the rendering against the published calibration.
struct SurfaceProbe {
    std::string name;                   // "ground", "red box", ...; empty when the ray hits nothing
    std::array<std::uint8_t, 3> bgr{};  // the surface's base colour (the ground's is gray)
    double depthMm = 0;  // along the depth camera's optical axis, before range limits and noise
};

class VirtualCamera {
  public:
    explicit VirtualCamera(Options options = {});
    ~VirtualCamera();
    VirtualCamera(const VirtualCamera&) = delete;
    VirtualCamera& operator=(const VirtualCamera&) = delete;

    // Loads the user sets, binds the command port and starts serving (and announcing). False, with the reason
    // in error and on standard error, when the options are unusable, the port cannot be bound or the stored
    // user sets are unreadable; a corrupt user-set file is left exactly as it is.
    bool start(std::string* error = nullptr);
    // Stops serving and announcing; idempotent. Unsaved user-set changes are dropped.
    void stop();
    bool running() const;

    std::uint16_t port() const;      // the bound port once started
    std::string endpoint() const;    // "tcp://address:port"
    std::string identifier() const;  // "quorixId" once started
    const Options& options() const;
    // Path of the user-set file, empty without a state directory.
    std::string stateFile() const;

    // Faults, usable while running.
    Faults faults() const;
    void setFaults(const Faults& faults);
    void setReplyDelay(int milliseconds);
    void staySilentFor(int requests);
    void failCommand(const std::string& command, const std::string& message = "Simulated camera failure.");
    void clearCommandFailure();
    void truncateNextReplies(int count);
    void malformNextReplies(int count);
    void oversizeNextReplies(int count);
    void setVelaCalibrationFollowsMode(bool on);
    void setReportVirtual(bool on);
    void setOldFirmware(bool on);

    // The surface behind one depth pixel (column, row) with the current calibration.
    SurfaceProbe probeDepthPixel(int col, int row) const;
    // The ground plane in the depth camera's frame, millimetres: normal (unit) and offset, n . p = offset.
    std::array<double, 4> groundPlaneInDepthFrame() const;
    // Images rendered so far (an unchanged configuration reuses its last image and does not count).
    int framesRendered() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace virtualcam
}  // namespace quorix
