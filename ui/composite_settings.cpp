#include "ui/composite_settings.h"

#include "olx/host_interface.h"
#include "platform/cp932.h"
#include "ui/composite_dlg.h"
#include "ui/messages.h"

namespace ui {

CompositeSettings CompositeSettings::Read(uint32_t pluginId) {
    CompositeSettings s;
    s.linkType = OLX_GetProfileInt(pluginId, kLinkTypeKey, 0);
    s.linkDcm = OLX_GetProfileInt(pluginId, kLinkDcmKey, 0);
    const char* stored = OLX_GetProfileString(pluginId, kDcmFileKey, "");
    s.dcmFile = stored ? stored : "";
    s.dcmView = OLX_GetProfileInt(pluginId, kDcmViewKey, 0);
    return s;
}

void CompositeSettings::WriteComposite(uint32_t pluginId) const {
    (void)OLX_WriteProfileInt(pluginId, kLinkTypeKey, linkType);
    (void)OLX_WriteProfileInt(pluginId, kLinkDcmKey, linkDcm);
    (void)OLX_WriteProfileString(pluginId, kDcmFileKey, dcmFile.c_str());
}

void CompositeSettings::WriteDcmView(uint32_t pluginId, int32_t dcmView) {
    (void)OLX_WriteProfileInt(pluginId, kDcmViewKey, dcmView);
}

bool CompositeSettings::ChangesComposite(const CompositeSettings& before) const {
    return linkDcm != before.linkDcm || linkType != before.linkType ||
           cp932::CompareNoCase(dcmFile, before.dcmFile) != 0;
}

void CompositeSettings::PutInto(CCompositeDlg& dlg) const {
    dlg.LinkType = linkType;
    dlg.LinkDCM = linkDcm;
    dlg.DCMFile = dcmFile;
    dlg.DCMView = dcmView;
}

CompositeSettings CompositeSettings::From(const CCompositeDlg& dlg) {
    CompositeSettings s;
    s.linkType = dlg.LinkType;
    s.linkDcm = dlg.LinkDCM;
    s.dcmFile = dlg.DCMFile;
    s.dcmView = dlg.DCMView;
    return s;
}

std::optional<CompositeSettings> CompositeSettings::Confirm(CCompositeDlg& dlg, uint32_t pluginId) const {
    const int answer = dlg.DoModal();
    if (answer == kDialogFailed) ReportDialogUnavailable(CCompositeDlg::kDoModalOperation);
    if (answer != kIdOk) return std::nullopt;
    CompositeSettings chosen = From(dlg);
    if (chosen.ChangesComposite(*this)) (void)OLX_ClearAllViewCache();
    chosen.WriteComposite(pluginId);
    return chosen;
}

}  // namespace ui
