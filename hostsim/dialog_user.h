// The scripted user of the natively run dialogs: a controls model, the automatic behaviour of
// the templates' buttons, and ready-made scripts.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/dialog_host.h"

namespace hostsim {

// Controls of a natively run dialog: per control its check state, text and enabled state.
// Behaviour of automatic buttons is the scripted user's job (DialogUser::Click).
struct ControlState {
    bool checked = false;
    std::string text;
    bool enabled = true;
};

// The controls model a natively run dialog sees. Unknown controls read as unchecked, empty and
// enabled. Window() is nullptr.
class FakeControls : public ui::DialogControls {
public:
    [[nodiscard]] bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    [[nodiscard]] std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    void Enable(int id, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int id) const override;
    [[nodiscard]] void* Window() const override { return nullptr; }

    [[nodiscard]] const std::map<int, ControlState>& States() const { return states_; }

private:
    std::map<int, ControlState> states_;
};

// Automatic controls of the dialog templates: check boxes that toggle on a click and radio
// groups whose clicked button is ticked and the others cleared.
[[nodiscard]] bool IsAutoCheckBox(int templateId, int id);
[[nodiscard]] std::vector<int> RadioGroupOf(int templateId, int id);

// The scripted user of one modal dialog.
class DialogUser {
public:
    DialogUser(int templateId, ui::DialogLogic& logic, FakeControls& controls);

    [[nodiscard]] int TemplateId() const { return templateId_; }
    // Runs the dialog's initialisation (OnInit).
    void Init();
    // A click as Windows delivers it: an automatic check box toggles, an automatic radio
    // button is ticked and the others of its group cleared; then OnCommand. Returns its result;
    // the first non-zero result ends the dialog (Ended(), Result()).
    int Click(int id);
    int Ok() { return Click(1); }
    int Cancel() { return Click(2); }
    // Types text into an edit (no event).
    void Type(int id, const std::string& text);

    [[nodiscard]] bool IsChecked(int id) const;
    [[nodiscard]] bool IsEnabled(int id) const;
    [[nodiscard]] std::string Text(int id) const;
    [[nodiscard]] bool Ended() const { return result_ != 0; }
    [[nodiscard]] int Result() const { return result_; }
    [[nodiscard]] FakeControls& Controls() { return controls_; }

private:
    int templateId_;
    ui::DialogLogic& logic_;
    FakeControls& controls_;
    int result_ = 0;
};

// A scripted user: plays the dialog and returns how it ended (what RunModalDialog returns).
using DialogScript = std::function<int(DialogUser& user)>;

// Ready-made users: OK at once, Cancel at once, or clicks on controls (check boxes, radio
// buttons, buttons in order) then OK.
DialogScript PressOk();
DialogScript PressCancel();
DialogScript ClickThenOk(std::vector<int> ids);
DialogScript ClickThenCancel(std::vector<int> ids);

}  // namespace hostsim
