#include "hostsim/host.h"

namespace hostsim {

Host::Host() = default;

void Host::Reset() {
    version_ = olx::kRequiredVersion;
    log_ = CallLog();
    profiles_ = ProfileStore();
    registry_ = Registrations(log_);
    maps_ = ViewsAndMaps(log_, registry_);
    guidebook_ = GuidebookDecoder();
    desktop_ = ScriptedDesktop(log_);
}

Host& Get() {
    static Host host;
    return host;
}

void Reset() {
    Get().Reset();
}

}  // namespace hostsim
