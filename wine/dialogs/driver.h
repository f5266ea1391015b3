// What the dialog harnesses do as the user: find the module's windows from a second thread,
// read and set their controls, press buttons, and capture a window to a picture file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/windows_gateway.h"
#include <commctrl.h>

#include "wine/harness/runner.h"

namespace harness {

// Every time limit below is scaled (Scaled(), wine/harness/runner.h).

// Polls until pred gives a window or timeoutMs has passed; nullptr on timeout.
HWND WaitFor(const std::function<HWND()>& pred, int timeoutMs = 10000);
// A visible top-level window of this process with this caption (code page 932 bytes).
HWND FindTopLevel(const std::string& caption);
// The first descendant of parent with this class name (case-insensitive).
HWND FindDescendant(HWND parent, const std::string& className);
// Waits until cond holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000);

std::string WindowText(HWND window);
// The texts of a list view's rows, column by column.
std::vector<std::vector<std::string>> ListRows(HWND list, int columns);
// Walks a tree view from its first root item's children: at each level the item whose text
// contains the step is expanded (the last one is selected, as a user click would). False when
// a step is not found.
bool SelectTreePath(HWND tree, const std::vector<std::string>& steps);
// Texts of the children of an item (root items for nullptr), for diagnostics.
std::vector<std::string> TreeChildren(HWND tree, HTREEITEM item);

// Selects and focuses one row of a list view.
void SelectListRow(HWND list, int row);
// A click on a dialog's button, as the user makes it; returns at once (the dialog may go modal).
void Click(HWND dialog, int id);

// A click on a check box or radio button as the mouse makes it (BM_CLICK), waited for: the
// button has toggled and the dialog has handled the notification when it returns. Not for
// buttons that open a modal window (use Click). False when the dialog did not answer in time.
bool ClickAndWait(HWND dialog, int id);
// Posts IDCANCEL to a dialog that a failed step leaves open, so that its modal loop ends.
void Abandon(HWND dialog);

// What the user does while the host's thread sits in a modal loop: user runs on its own
// thread, host on the calling one; then the user thread gets timeoutMs to finish. When it does
// not, the run fails at once (the thread still holds the caller's state, so the process ends).
void RunAsUser(const std::function<void()>& host, const std::function<void()>& user, int timeoutMs = 20000);

// The folder for screenshots as a Windows path: TEPHRIX_WINE_OUT (a Unix path is taken as one on
// drive Z:), or the current folder.
std::string ScreenshotFolder();

// Writes what the window shows to a 24-bit BMP file. False when it could not be captured.
bool CaptureWindow(HWND window, const std::string& path);

}  // namespace harness
