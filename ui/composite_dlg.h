// The composite settings dialog (template 29006): its four fields and the logic of its
// controls. The platform runs it through RunModalDialog.
#pragma once

#include <cstdint>
#include <string>

#include "res/resource_ids.h"
#include "ui/dialog_host.h"

class CCompositeDlg : public ui::DialogLogic {
public:
    // Control identifiers of template 29006.
    static constexpr int kTemplate = IDD_COMPOSITE;
    static constexpr int kLinkCheck = IDC_LINK_DCM;
    static constexpr int kPathEdit = IDC_DCM_FILE;
    static constexpr int kBrowse = IDC_BROWSE;
    static constexpr int kPathLabel = IDC_DCM_LABEL;
    static constexpr int kGuidebookRadio = IDC_GUIDEBOOK_RADIO;
    static constexpr int kDcmRadio = IDC_DCM_RADIO;
    static constexpr int kHideCheck = IDC_HIDE_CHECK;

    int32_t LinkDCM = 0;
    std::string DCMFile;
    int32_t DCMView = 0;
    int32_t LinkType = -1;

    // Shows the dialog modally (owner: the host's main window). IDOK, IDCANCEL, or
    // ui::kDialogFailed when its window cannot be made.
    int DoModal();
    // What the box for a dialog that cannot be made names.
    static constexpr char kDoModalOperation[] = "CCompositeDlg::DoModal";

    void OnInit(ui::DialogControls& controls) override;
    int OnCommand(int id, ui::DialogControls& controls) override;

private:
    void PutFields(ui::DialogControls& controls) const;
    void TakeFields(const ui::DialogControls& controls);
    void ApplyEnablingRule(ui::DialogControls& controls) const;
    void Browse(ui::DialogControls& controls);
};
