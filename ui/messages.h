// Every message box the module shows is made here. The readers and the dialog logic return what
// happened; the host-facing code hands it to one of these, which keep the texts, icons, buttons
// and owners the user knows. A box needs no memory of its own: texts are composed in fixed
// buffers, so that the box for want of memory can still be shown.
#pragma once

#include "platform/result.h"

namespace ui {

// A reader's failure the user is told of (exclamation icon): kIoError "ファイルが開けません.\n" and
// the file, kNoMemory "メモリーが足りません.\n" and the operation. The other statuses are refusals
// that the module shows no box for. Nothing is shown for kOk.
void ReportReadFailure(const platform::Result& result);

// A 50 m source that cannot be attached (stop icon); the map opens without it.
void ReportGuidebookUnusable();
void ReportDcmUnusable(const char* path);

// The version gate at Create (information icon).
void ReportHostTooOld();
// The About box: the banner, one space and the copyright line. The box's result.
int ShowAbout(const char* copyright);

// A dialog whose window could not be made (exclamation icon, the memory text with the class and
// operation that needed it). The command then does nothing, as if the dialog had not been asked for.
void ReportDialogUnavailable(const char* operation);

// The open dialog's own boxes, owned by the dialog, caption "火山標高".
void ReportNoMapChosen(void* dialog);
void ReportMapPathUnusable(void* dialog, const char* file);

}  // namespace ui
