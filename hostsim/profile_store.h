// The host's profile store: per plug-in id, key -> text (integers as decimal text). Keys compare
// without regard to ASCII case, as in the system's profile files.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

class ProfileStore {
public:
    [[nodiscard]] std::optional<std::string> Get(uint32_t pluginId, const std::string& key) const;
    void Set(uint32_t pluginId, const std::string& key, const std::string& value);
    void SetInt(uint32_t pluginId, const std::string& key, int32_t value);
    void Erase(uint32_t pluginId, const std::string& key);
    // Reads or writes "[plugin N]" sections of key=value lines (bytes unchanged). Load replaces
    // the store. Values with line breaks cannot be saved: SaveIni then returns false.
    [[nodiscard]] bool LoadIni(const std::string& path);
    [[nodiscard]] bool SaveIni(const std::string& path) const;
    // Loads path (when it exists) and saves the store there after every write.
    void SetIniBacking(const std::string& path);

    // The text OLX_GetProfileString hands out: it stays valid until the next answer, which
    // first overwrites it, so that a caller that kept the old pointer reads garbage instead of
    // a plausible value.
    [[nodiscard]] const char* Lend(const std::string& text);

private:
    using Section = std::vector<std::pair<std::string, std::string>>;
    void SaveBacking();

    std::map<uint32_t, Section> sections_;
    std::string lent_;
    std::string iniBacking_;
};

}  // namespace hostsim
