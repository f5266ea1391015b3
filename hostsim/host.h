// The host stand-in: the state behind the 27 OLX_ functions and the controls that tests, the
// demo and the Wine harness use to play the host's part (fire menus and hooks, open and read
// maps, script the user's answers). One process-wide host, composed of one part per concern;
// Reset() gives a fresh one.
#pragma once

#include <cstdint>

#include "hostsim/call_log.h"
#include "hostsim/desktop.h"
#include "hostsim/guidebook_decoder.h"
#include "hostsim/maps.h"
#include "hostsim/profile_store.h"
#include "hostsim/registrations.h"
#include "olx/host_interface.h"

namespace hostsim {

// Datum codes of OLX_GetDatumbyShortString.
constexpr int32_t kDatumTokyo = 1;
constexpr int32_t kDatumJgd2000 = 2;
constexpr int32_t kDatumWgs84 = 3;

class Host {
public:
    Host();
    // The parts refer to each other: a host stays where it is.
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Drops every registration, setting, open map, script and log entry: a fresh host with
    // version 7730, in place, so that references to it and its parts stay valid.
    void Reset();

    // The interface version OLX_GetVersion answers.
    [[nodiscard]] int32_t Version() const { return version_; }
    void SetVersion(int32_t version) { version_ = version; }

    CallLog& Log() { return log_; }
    [[nodiscard]] const CallLog& Log() const { return log_; }
    ProfileStore& Profiles() { return profiles_; }
    [[nodiscard]] const ProfileStore& Profiles() const { return profiles_; }
    Registrations& Registry() { return registry_; }
    [[nodiscard]] const Registrations& Registry() const { return registry_; }
    ViewsAndMaps& Maps() { return maps_; }
    [[nodiscard]] const ViewsAndMaps& Maps() const { return maps_; }
    GuidebookDecoder& Guidebook() { return guidebook_; }
    [[nodiscard]] const GuidebookDecoder& Guidebook() const { return guidebook_; }
    ScriptedDesktop& Desktop() { return desktop_; }
    [[nodiscard]] const ScriptedDesktop& Desktop() const { return desktop_; }

private:
    int32_t version_ = olx::kRequiredVersion;
    CallLog log_;
    ProfileStore profiles_;
    Registrations registry_{log_};
    ViewsAndMaps maps_{log_, registry_};
    GuidebookDecoder guidebook_;
    ScriptedDesktop desktop_{log_};
};

// The one host of the process.
Host& Get();
// Get().Reset().
void Reset();

}  // namespace hostsim
