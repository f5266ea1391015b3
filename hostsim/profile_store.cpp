#include "hostsim/profile_store.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/cp932.h"

namespace hostsim {
namespace {

template <typename Section>
auto* FindKey(Section& s, const std::string& key) {
    for (auto& kv : s)
        if (cp932::CompareNoCase(kv.first, key) == 0) return &kv;
    return static_cast<decltype(&*s.begin())>(nullptr);
}

}  // namespace

std::optional<std::string> ProfileStore::Get(uint32_t pluginId, const std::string& key) const {
    auto it = sections_.find(pluginId);
    if (it == sections_.end()) return std::nullopt;
    if (const auto* kv = FindKey(it->second, key)) return kv->second;
    return std::nullopt;
}

void ProfileStore::Set(uint32_t pluginId, const std::string& key, const std::string& value) {
    Section& s = sections_[pluginId];
    if (auto* kv = FindKey(s, key)) {
        kv->second = value;
    } else {
        s.emplace_back(key, value);
    }
    SaveBacking();
}

void ProfileStore::SetInt(uint32_t pluginId, const std::string& key, int32_t value) {
    Set(pluginId, key, std::to_string(value));
}

void ProfileStore::Erase(uint32_t pluginId, const std::string& key) {
    auto it = sections_.find(pluginId);
    if (it == sections_.end()) return;
    auto& s = it->second;
    s.erase(
        std::remove_if(s.begin(), s.end(), [&](const auto& kv) { return cp932::CompareNoCase(kv.first, key) == 0; }),
        s.end());
    SaveBacking();
}

bool ProfileStore::LoadIni(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::map<uint32_t, Section> loaded;
    Section* current = nullptr;
    std::string line;
    const std::string kSection = "[plugin ";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            // Any section ends the one before; only "[plugin N]" sections are the store's.
            current = nullptr;
            if (line.compare(0, kSection.size(), kSection) == 0 && line.back() == ']') {
                char* end = nullptr;
                const unsigned long id = std::strtoul(line.c_str() + kSection.size(), &end, 10);
                if (end && *end == ']') current = &loaded[static_cast<uint32_t>(id)];
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        if (auto* kv = FindKey(*current, key)) {
            kv->second = line.substr(eq + 1);
        } else {
            current->emplace_back(key, line.substr(eq + 1));
        }
    }
    sections_ = std::move(loaded);
    return true;
}

bool ProfileStore::SaveIni(const std::string& path) const {
    std::string out;
    for (const auto& [id, section] : sections_) {
        out += "[plugin " + std::to_string(id) + "]\n";
        for (const auto& [key, value] : section) {
            if (key.find_first_of("\r\n=") != std::string::npos || value.find_first_of("\r\n") != std::string::npos)
                return false;
            out += key + "=" + value + "\n";
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << out;
    return static_cast<bool>(file);
}

void ProfileStore::SetIniBacking(const std::string& path) {
    iniBacking_.clear();
    {
        std::ifstream probe(path);
        if (probe && !LoadIni(path)) return;
    }
    iniBacking_ = path;
}

void ProfileStore::SaveBacking() {
    if (!iniBacking_.empty()) (void)SaveIni(iniBacking_);
}

const char* ProfileStore::Lend(const std::string& text) {
    std::memset(lent_.data(), 0xDD, lent_.size());
    lent_ = text;
    return lent_.c_str();
}

}  // namespace hostsim
