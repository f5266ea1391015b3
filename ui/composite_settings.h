// The settings in the host's profile store that say how a map is composited with 50 m elevation,
// under their keys. Map open and the menu command read, compare and write them through this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CCompositeDlg;

namespace ui {

constexpr char kLinkTypeKey[] = "LinkType";
constexpr char kLinkDcmKey[] = "LinkDCM";
constexpr char kDcmFileKey[] = "DCMFile";
constexpr char kDcmViewKey[] = "DCMView";
// The margin's width in 320-cell blocks; no dialog edits it.
constexpr char kRegionKey[] = "Region";

struct CompositeSettings {
    int32_t linkType = 0;  // 0: the guidebook set, else the DCM file
    int32_t linkDcm = 0;   // nonzero: a 50 m margin
    std::string dcmFile;
    int32_t dcmView = 0;  // nonzero: map open does not ask

    // Read in the order LinkType, LinkDCM, DCMFile, DCMView, each absent key giving 0 or "".
    [[nodiscard]] static CompositeSettings Read(uint32_t pluginId);
    // Writes LinkType, LinkDCM and DCMFile; DCMView has its own writer, since the menu command
    // sets it around its reopen.
    void WriteComposite(uint32_t pluginId) const;
    static void WriteDcmView(uint32_t pluginId, int32_t dcmView);

    // True when maps composited with before look different with these settings: another
    // switch, source or file (file names compared as Windows does, without regard to case).
    [[nodiscard]] bool ChangesComposite(const CompositeSettings& before) const;

    // Lets the user confirm or change these settings in dlg, which holds them (PutInto). On OK
    // the composite settings chosen are written, the host's view cache cleared first when they
    // change the composite, and returned. Cancel writes nothing; neither does a dialog whose
    // window cannot be made, which is told of.
    [[nodiscard]] std::optional<CompositeSettings> Confirm(CCompositeDlg& dlg, uint32_t pluginId) const;

    void PutInto(CCompositeDlg& dlg) const;
    [[nodiscard]] static CompositeSettings From(const CCompositeDlg& dlg);
};

}  // namespace ui
