#include "image/replication_state.h"
#include "view/behaviour.h"
#include "view/commands.h"

namespace {

// "&Edit..." and "Filter" of the Texture menu: the modal image editor
// window, on its own picture (nothing in the scene changes).
void image_editor(ViewBehaviour& v)
{
    DialogRequest request(kReplicationDialogName);
    v.host().run_modal(request);
}

const CommandImpl k_impls[] = {
    {0, nullptr, nullptr},   // placeholder, never in the table
    {32794, image_editor, nullptr},
    {40001, image_editor, nullptr},
};
} // namespace

std::span<const CommandImpl> dialog_command_impls() { return std::span<const CommandImpl>(k_impls).subspan(1); }
