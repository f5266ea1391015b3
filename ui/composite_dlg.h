// The composite settings dialog (template 29006): its four fields and the logic of its
// controls. The platform runs it through RunModalDialog.
#pragma once

#include <cstdint>
#include <string>

#include "ui/dialog_host.h"

class CCompositeDlg : public ui::DialogLogic {
public:
    // Control identifiers of template 29006.
    static constexpr int kTemplate = 29006;
    static constexpr int kLinkCheck = 29006;
    static constexpr int kPathEdit = 29007;
    static constexpr int kBrowse = 29008;
    static constexpr int kPathLabel = 29009;
    static constexpr int kGuidebookRadio = 29010;
    static constexpr int kDcmRadio = 29011;
    static constexpr int kHideCheck = 29012;

    int32_t LinkDCM = 0;
    std::string DCMFile;
    int32_t DCMView = 0;
    int32_t LinkType = -1;

    // Shows the dialog modally (owner: the host's main window). IDOK or IDCANCEL.
    int DoModal();

    void OnInit(ui::DialogControls& controls) override;
    int OnCommand(int id, ui::DialogControls& controls) override;

private:
    void PutFields(ui::DialogControls& controls) const;
    void TakeFields(const ui::DialogControls& controls);
    void ApplyEnablingRule(ui::DialogControls& controls) const;
    void Browse(ui::DialogControls& controls);
};
