// ZeroMQ hands messages between a socket's thread and its I/O thread through lock-free queues that
// ThreadSanitizer cannot see (the system's libzmq is not instrumented), so every message would be reported
// as a race on its bytes. The runtime asks for this function at start-up; other builds never call it.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
    return "race:libzmq.so\n";
}
