// Dialog modules make their windows known to the view by name (the
// dialog's title as the commands ask for it), so the view needs no header
// of any dialog. Registration happens once at start-up, before a command
// can ask.
#pragma once
#include <functional>
#include <string>

#include "view/view_host.h"

class QWidget;
class ViewBehaviour;

// A modal dialog: shows the request's values, edits them, true on OK.
using ModalDialogFn = std::function<bool(QWidget* parent, DialogRequest& request)>;
void register_modal_dialog(const std::string& name, ModalDialogFn show);
const ModalDialogFn* find_modal_dialog(const std::string& name);

// A modeless dialog: made once on first use (the view keeps and finally
// deletes the widget), shown on every use; `refresh` rereads the scene.
struct ModelessDialogFns {
    std::function<QWidget*(QWidget* parent, ViewBehaviour& view)> create;
    std::function<void(QWidget* dialog)> refresh;   // may be empty
    // Asked for again while it is open (may be empty: only raised).
    std::function<void(QWidget* dialog)> reopen;
};
void register_modeless_dialog(const std::string& name, ModelessDialogFns fns);
const ModelessDialogFns* find_modeless_dialog(const std::string& name);
