// Temporary files and folders that an interrupted run (SIGINT, SIGTERM, SIGHUP) must not leave
// behind. The handler only unlinks and removes empty folders, newest first, then dies of the
// signal as it would have.
#pragma once

#include <string>

namespace render {

void InstallInterruptCleanup();

// Holds the three signals back while a temporary is made and registered, so that none is
// made unregistered.
class DeferSignals {
public:
    DeferSignals();
    ~DeferSignals();
    DeferSignals(const DeferSignals&) = delete;
    DeferSignals& operator=(const DeferSignals&) = delete;

private:
    unsigned char saved_[128];  // sigset_t, without <signal.h> in this header
};
// Registers a path (file, symbolic link or empty-at-the-end folder); at most 64 at once.
void RegisterTemporary(const std::string& path);
void ForgetTemporary(const std::string& path);

}  // namespace render
