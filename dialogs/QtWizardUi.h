// The seam's Qt side: the wizard TdlgPolyverb, the message box and the string chooser
// TdlgStrChoose as the product add-in shows them. This file's CreateWizardUi is the one
// libpolyverb.so links.
//
// The dialogs live in the host's QApplication, on its thread. The add-in creates none of
// its own: a method called without one (or from another thread) throws an Error that says
// so, which reaches the IDE through the error relay, instead of letting Qt abort the host.
#pragma once

#include <cstdint>

class QWidget;

namespace polyverb {

// The window that owns the dialogs: the widget whose native handle is ParentWindow, or
// nullptr when ParentWindow is 0 or names no widget of this application.
QWidget* OwnerWindow(std::uintptr_t parent_window);

// The messages of the checks above.
inline constexpr const char* kNoQApplication =
    "Polyverb cannot show its dialogs: the IDE runs no QApplication";
inline constexpr const char* kNotGuiThread =
    "Polyverb cannot show its dialogs: it was called outside the IDE's GUI thread";

}  // namespace polyverb
