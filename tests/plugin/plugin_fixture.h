// A fresh host stand-in, a fresh module and a temporary drive root for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "hostsim/host.h"
#include "plugin/entry.h"
#include "plugin/map_proc.h"
#include "plugin/module_state.h"

namespace plugintest {

constexpr uint32_t kPluginId = 0x2A17;

class PluginFixture : public ::testing::Test {
protected:
    PluginFixture() {
        hostsim::Reset();
        plugin::ResetModuleState();
    }
    ~PluginFixture() override {
        plugin::ResetModuleState();
        hostsim::Reset();
    }

    static hostsim::Host& host() { return hostsim::Get(); }

    // Create and Load as the host does at start; the log is cleared afterwards.
    void StartModule() {
        std::vector<uint8_t> record(plugin::kInfoRecordSize, 0xCC);
        ASSERT_EQ(Create(record.data(), kPluginId), 1);
        ASSERT_EQ(Load(), 1);
        host().Log().Clear();
    }

    // The four composite settings as the host stores them; the log is cleared afterwards.
    static void StoreComposite(int32_t linkType, int32_t linkDcm, const std::string& file, int32_t view) {
        host().Profiles().SetInt(kPluginId, "LinkType", linkType);
        host().Profiles().SetInt(kPluginId, "LinkDCM", linkDcm);
        host().Profiles().Set(kPluginId, "DCMFile", file);
        host().Profiles().SetInt(kPluginId, "DCMView", view);
        host().Log().Clear();
    }

    // Names of the host functions the module called, in order.
    static std::vector<std::string> HostCalls() { return host().Log().Names(hostsim::Call::Kind::Host); }

    // Host calls with their arguments as the stand-in renders them: name(args).
    static std::vector<std::string> HostCallLines() {
        std::vector<std::string> out;
        for (const hostsim::Call& call : host().Log().Entries()) {
            if (call.kind == hostsim::Call::Kind::Host) out.push_back(call.name + "(" + call.args + ")");
        }
        return out;
    }
    // The lines a settings call of this module renders to.
    static std::string GetInt(const std::string& key, int32_t def) {
        return "OLX_GetProfileInt(" + std::to_string(kPluginId) + ", \"" + key + "\", " + std::to_string(def) + ")";
    }
    static std::string GetString(const std::string& key) {
        return "OLX_GetProfileString(" + std::to_string(kPluginId) + ", \"" + key + "\", \"\")";
    }
    static std::string PutInt(const std::string& key, int32_t value) {
        return "OLX_WriteProfileInt(" + std::to_string(kPluginId) + ", \"" + key + "\", " + std::to_string(value) + ")";
    }
    static std::string PutString(const std::string& key, const std::string& value) {
        return "OLX_WriteProfileString(" + std::to_string(kPluginId) + ", \"" + key + "\", \"" + value + "\")";
    }
    // The four composite reads of a map open or of the settings command.
    static std::vector<std::string> CompositeReads() {
        return {GetInt("LinkType", 0), GetInt("LinkDCM", 0), GetString("DCMFile"), GetInt("DCMView", 0)};
    }

    hostsim::DriveRoot root_;
};

}  // namespace plugintest
