// The action codes of fuzz_host's scripts, shared with the seed maker. Each action is one
// operation byte (its value modulo kActionCount) followed by two argument bytes.
#pragma once

#include <cstdint>

namespace fuzz::host {

enum Action : uint8_t {
    kOpen,           // 2004: a = handle slot, b = path slot
    kDescribe,       // 2011: a = handle slot, b bit 0 = the composite dialog answers Cancel
    kReadBlock,      // 2012: a = handle slot, b = block selector (bit 7: a raw identifier from a, b)
    kCloseMap,       // 2021: a = handle slot
    kRecognise,      // 2003: a = path slot of the name-test table
    kFileType,       // 2001
    kOpenCommand,    // menu "open": a = 0 cancel, else OK with path slot a - 1
    kCompositeMenu,  // menu "composite settings": a bit 0 = Cancel
    kSettings,       // profile: a bit 0 LinkDCM, bit 1 LinkType, bit 2 DCMFile missing, bit 3 DCMView;
                     // b = Region slot
    kChangeFile,     // a bit 0 = sheet; a >> 1 = change kind (see ChangeKind); b = its argument
    kClose,          // the Close export
    kRelease,        // the Release export
    kCreate,         // the module reloaded: Create and Load
    kActionCount
};

enum ChangeKind : uint8_t {
    kDeleteData,
    kTruncateData,  // b = kept length / 4
    kLongerData,
    kReplaceData,  // same shape, other values
    kRestoreData,
    kRewriteHeader,  // b = header variant (title 2 bits, size 2 bits, row flags 2 bits, damage 2 bits)
    kDeleteHeader,
    kReplaceDcm,  // b % 4: 0 missing, 1 and 2 two heights, 3 cut inside its tile
    kChangeKindCount
};

// Handle slots: 0-3 the script's own handles (288 shares 16's bucket), 4-5 the maps the host
// opened itself (menu commands), 6-7 handles nobody opened.
constexpr uint32_t kScriptHandles[] = {16, 32, 288, 48};
constexpr uint32_t kFirstHostHandle = 1024;
constexpr uint32_t kHostHandleStep = 16;

}  // namespace fuzz::host
