// quorix-virtual-camera: serves one virtual camera until SIGINT or SIGTERM.

#include <csignal>
#include <iostream>

#include "cli_options.h"
#include "virtualcam/virtual_camera.h"

int main(int argc, char** argv) {
    using namespace quorix::virtualcam;
    Options options;
    if (const int code = parseCommandLine(argc, argv, options); code >= 0) return code;

    // The signals are taken synchronously below; every thread started from here on inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    VirtualCamera camera(options);
    if (!camera.start()) return 1;
    std::cout << "Quorix virtual camera " << camera.identifier() << " (model " << options.modelCode
              << ") serving on " << camera.endpoint() << std::endl;
    if (!camera.stateFile().empty())
        std::cout << "User sets are stored in " << camera.stateFile() << std::endl;
    if (options.announce)
        std::cout << "Announcing to " << options.announceAddress << ":" << options.announcePort << " every "
                  << options.announcePeriodMs << " ms" << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    camera.stop();
    std::cout << "Stopped on signal " << received << "." << std::endl;
    return 0;
}
