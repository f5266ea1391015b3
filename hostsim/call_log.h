// The stand-in's call log: every host function the module called, every message the host sent
// to a module procedure and every native desktop action, in order, so that a test states the
// exact sequence a behaviour must make.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "olx/host_interface.h"

namespace hostsim {

// One entry of the call log.
//   kind Host:    an OLX_ function the module called; name "OLX_OpenMap" etc.
//   kind Send:    a message the host sent to a module procedure: "map 2003", "menu 100",
//                 "hook 1001" (the number is the code or event).
//   kind Desktop: the native desktop seen by the module: "box", "dialog", "file dialog",
//                 "open dialog".
// args renders the arguments: numbers in decimal, strings in double quotes holding their
// bytes unchanged (null for a null address), records in braces with their size field first,
// procedures as proc#N (N numbers distinct procedures in order of first appearance, null for
// none). result renders the return value ("" for functions without one).
struct Call {
    enum class Kind { Host, Send, Desktop };
    Kind kind = Kind::Host;
    std::string name;
    std::string args;
    std::string result;
};

class CallLog {
public:
    [[nodiscard]] const std::vector<Call>& Entries() const { return entries_; }
    // Names in order; with a kind, only the entries of that kind.
    [[nodiscard]] std::vector<std::string> Names() const;
    [[nodiscard]] std::vector<std::string> Names(Call::Kind kind) const;
    // Entries with this name, in order.
    [[nodiscard]] std::vector<Call> Calls(const std::string& name) const;
    [[nodiscard]] int Count(const std::string& name) const;
    // The whole log as text, one "kind name(args) -> result" line per entry.
    [[nodiscard]] std::string Text() const;
    void Clear() { entries_.clear(); }

    void Record(Call::Kind kind, std::string name, std::string args, std::string result = {});
    // An entry whose result is known only later (calls made meanwhile follow it): Begin gives
    // its position, Finish fills the result unless the log was cleared in between.
    [[nodiscard]] size_t Begin(Call::Kind kind, std::string name, std::string args);
    void Finish(size_t at, std::string result);
    // Sends a message to a module procedure and logs it as kind Send.
    int32_t Send(OlxProc proc, const std::string& name, int32_t code, uint32_t handle, intptr_t param,
                 const std::string& args);
    // "proc#N" for a procedure, "null" for none.
    [[nodiscard]] std::string ProcName(OlxProc proc);

private:
    std::vector<Call> entries_;
    std::vector<OlxProc> procNames_;
};

}  // namespace hostsim
