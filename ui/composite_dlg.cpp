#include "ui/composite_dlg.h"

#include "ui/file_chooser.h"

namespace {

constexpr char kDcmFilter[] = "圧縮地図 [*.DCM]|*.DCM|すべて|*.*||";
constexpr char kBrowseTitle[] = "標高データ（圧縮地図）の選択";
constexpr char kDcmExtension[] = "dcm";

}  // namespace

int CCompositeDlg::DoModal() {
    return ui::RunModalDialog(kTemplate, nullptr, *this);
}

void CCompositeDlg::PutFields(ui::DialogControls& controls) const {
    controls.SetChecked(kLinkCheck, LinkDCM != 0);
    controls.SetText(kPathEdit, DCMFile);
    controls.SetChecked(kHideCheck, DCMView != 0);
    controls.SetChecked(kGuidebookRadio, LinkType == 0);
    controls.SetChecked(kDcmRadio, LinkType == 1);
}

void CCompositeDlg::TakeFields(const ui::DialogControls& controls) {
    LinkDCM = controls.IsChecked(kLinkCheck) ? 1 : 0;
    DCMFile = controls.GetText(kPathEdit);
    DCMView = controls.IsChecked(kHideCheck) ? 1 : 0;
    LinkType = controls.IsChecked(kGuidebookRadio) ? 0 : controls.IsChecked(kDcmRadio) ? 1 : -1;
}

void CCompositeDlg::ApplyEnablingRule(ui::DialogControls& controls) const {
    const bool composite = LinkDCM != 0;
    const bool dcmFile = composite && LinkType == 1;
    controls.Enable(kGuidebookRadio, composite);
    controls.Enable(kDcmRadio, composite);
    controls.Enable(kPathLabel, dcmFile);
    controls.Enable(kPathEdit, dcmFile);
    controls.Enable(kBrowse, dcmFile);
}

void CCompositeDlg::Browse(ui::DialogControls& controls) {
    TakeFields(controls);
    CFileChooser chooser(1, kDcmExtension, DCMFile.c_str(),
                         CFileChooser::kOfnOverwritePrompt | CFileChooser::kOfnHideReadOnly, kDcmFilter,
                         controls.Window());
    chooser.request.title = kBrowseTitle;
    if (chooser.run() == ui::kIdOk) DCMFile = chooser.path();
    PutFields(controls);
}

void CCompositeDlg::OnInit(ui::DialogControls& controls) {
    PutFields(controls);
    ApplyEnablingRule(controls);
}

int CCompositeDlg::OnCommand(int id, ui::DialogControls& controls) {
    switch (id) {
        case kLinkCheck:
        case kGuidebookRadio:
        case kDcmRadio:
            TakeFields(controls);
            ApplyEnablingRule(controls);
            return 0;
        case kBrowse: Browse(controls); return 0;
        case ui::kIdOk: TakeFields(controls); return ui::kIdOk;
        case ui::kIdCancel: return ui::kIdCancel;
        default: return 0;
    }
}
