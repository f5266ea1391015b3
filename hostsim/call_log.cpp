#include "hostsim/call_log.h"

#include <algorithm>

namespace hostsim {
namespace {

const char* KindName(Call::Kind kind) {
    switch (kind) {
        case Call::Kind::Host: return "host";
        case Call::Kind::Send: return "send";
        case Call::Kind::Desktop: return "desktop";
    }
    return "?";
}

}  // namespace

void CallLog::Record(Call::Kind kind, std::string name, std::string args, std::string result) {
    entries_.push_back(Call{kind, std::move(name), std::move(args), std::move(result)});
}

size_t CallLog::Begin(Call::Kind kind, std::string name, std::string args) {
    Record(kind, std::move(name), std::move(args));
    return entries_.size() - 1;
}

void CallLog::Finish(size_t at, std::string result) {
    if (at < entries_.size()) entries_[at].result = std::move(result);
}

int32_t CallLog::Send(OlxProc proc, const std::string& name, int32_t code, uint32_t handle, intptr_t param,
                      const std::string& args) {
    // Logged before the call so that the module's nested calls follow it in the log; the
    // result is filled in afterwards.
    const size_t at = Begin(Call::Kind::Send, name, args);
    const int32_t r = proc(code, handle, param);
    Finish(at, std::to_string(r));
    return r;
}

std::string CallLog::ProcName(OlxProc proc) {
    if (!proc) return "null";
    auto it = std::find(procNames_.begin(), procNames_.end(), proc);
    if (it == procNames_.end()) {
        procNames_.push_back(proc);
        it = procNames_.end() - 1;
    }
    return "proc#" + std::to_string(it - procNames_.begin() + 1);
}

std::vector<std::string> CallLog::Names() const {
    std::vector<std::string> out;
    for (const Call& c : entries_) out.push_back(c.name);
    return out;
}

std::vector<std::string> CallLog::Names(Call::Kind kind) const {
    std::vector<std::string> out;
    for (const Call& c : entries_)
        if (c.kind == kind) out.push_back(c.name);
    return out;
}

std::vector<Call> CallLog::Calls(const std::string& name) const {
    std::vector<Call> out;
    for (const Call& c : entries_)
        if (c.name == name) out.push_back(c);
    return out;
}

int CallLog::Count(const std::string& name) const {
    return static_cast<int>(
        std::count_if(entries_.begin(), entries_.end(), [&](const Call& c) { return c.name == name; }));
}

std::string CallLog::Text() const {
    std::string out;
    for (const Call& c : entries_) {
        out += KindName(c.kind);
        out += ' ';
        out += c.name + "(" + c.args + ")";
        if (!c.result.empty()) out += " -> " + c.result;
        out += '\n';
    }
    return out;
}

}  // namespace hostsim
