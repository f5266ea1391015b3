#include "hostsim/dialog_user.h"

#include "res/resource_ids.h"

namespace hostsim {

// ---- fake controls

bool FakeControls::IsChecked(int id) const {
    auto it = states_.find(id);
    return it != states_.end() && it->second.checked;
}

void FakeControls::SetChecked(int id, bool checked) {
    states_[id].checked = checked;
}

std::string FakeControls::GetText(int id) const {
    auto it = states_.find(id);
    return it == states_.end() ? std::string() : it->second.text;
}

void FakeControls::SetText(int id, const std::string& text) {
    states_[id].text = text;
}

void FakeControls::Enable(int id, bool enabled) {
    states_[id].enabled = enabled;
}

bool FakeControls::IsEnabled(int id) const {
    auto it = states_.find(id);
    return it == states_.end() || it->second.enabled;
}

bool IsAutoCheckBox(int templateId, int id) {
    return templateId == IDD_COMPOSITE && (id == IDC_LINK_DCM || id == IDC_HIDE_CHECK);
}

std::vector<int> RadioGroupOf(int templateId, int id) {
    if (templateId == IDD_COMPOSITE && (id == IDC_GUIDEBOOK_RADIO || id == IDC_DCM_RADIO))
        return {IDC_GUIDEBOOK_RADIO, IDC_DCM_RADIO};
    return {};
}

// ---- the scripted user

DialogUser::DialogUser(int templateId, ui::DialogLogic& logic, FakeControls& controls)
    : templateId_(templateId), logic_(logic), controls_(controls) {}

void DialogUser::Init() {
    logic_.OnInit(controls_);
}

int DialogUser::Click(int id) {
    if (IsAutoCheckBox(templateId_, id)) {
        controls_.SetChecked(id, !controls_.IsChecked(id));
    } else {
        const std::vector<int> group = RadioGroupOf(templateId_, id);
        for (int member : group) controls_.SetChecked(member, member == id);
    }
    const int r = logic_.OnCommand(id, controls_);
    if (r != 0 && result_ == 0) result_ = r;
    return r;
}

void DialogUser::Type(int id, const std::string& text) {
    controls_.SetText(id, text);
}

bool DialogUser::IsChecked(int id) const {
    return controls_.IsChecked(id);
}

bool DialogUser::IsEnabled(int id) const {
    return controls_.IsEnabled(id);
}

std::string DialogUser::Text(int id) const {
    return controls_.GetText(id);
}

namespace {
// Clicks, then a button: OK or Cancel; a dialog that does not end on OK is cancelled.
DialogScript ClickThen(std::vector<int> ids, int button) {
    return [ids = std::move(ids), button](DialogUser& user) {
        user.Init();
        for (int id : ids) {
            if (user.Ended()) return user.Result();
            (void)user.Click(id);
        }
        if (!user.Ended()) (void)user.Click(button);
        if (!user.Ended()) (void)user.Cancel();
        return user.Ended() ? user.Result() : ui::kIdCancel;
    };
}
}  // namespace

DialogScript PressOk() {
    return ClickThen({}, ui::kIdOk);
}

DialogScript PressCancel() {
    return ClickThen({}, ui::kIdCancel);
}

DialogScript ClickThenOk(std::vector<int> ids) {
    return ClickThen(std::move(ids), ui::kIdOk);
}

DialogScript ClickThenCancel(std::vector<int> ids) {
    return ClickThen(std::move(ids), ui::kIdCancel);
}

}  // namespace hostsim
