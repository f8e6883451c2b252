#include "app/dialog_wiring.h"

#include "dialogs/board_options_dialog.h"
#include "dialogs/model_dialogs_qt.h"
#include "dialogs/replication_dlg.h"
#include "dialogs/view_dialogs.h"
#include "image/replication_state.h"
#include "view/board_view.h"
#include "view/model_dialogs.h"
#include "view/qt/dialog_registry.h"

void register_shell_dialogs()
{
    static bool done = false;
    if (done) return;
    done = true;
    auto model = [](QWidget* parent, DialogRequest& r) {
        bool handled = false;
        return run_model_dialog(r, parent, &handled);
    };
    register_modal_dialog("Dialog_mesh", model);
    register_modal_dialog("Extrude", model);
    register_modal_dialog("2D OPTIONS", [](QWidget* parent, DialogRequest& r) {
        auto* options = dynamic_cast<BoardOptionsRequest*>(&r);
        if (!options) return false;
        BoardOptionsDialog d(*options, parent);
        return d.exec() == QDialog::Accepted;
    });
    register_modal_dialog(kReplicationDialogName,
                          [](QWidget* view, DialogRequest& r) { return RunReplicationRequest(view, r); });
    register_view_dialogs();
}
