#include "view/qt/dialog_registry.h"

#include <map>

namespace {
std::map<std::string, ModalDialogFn>& modal_registry()
{
    static std::map<std::string, ModalDialogFn> r;
    return r;
}
std::map<std::string, ModelessDialogFns>& modeless_registry()
{
    static std::map<std::string, ModelessDialogFns> r;
    return r;
}
} // namespace

void register_modal_dialog(const std::string& name, ModalDialogFn show) { modal_registry()[name] = std::move(show); }

const ModalDialogFn* find_modal_dialog(const std::string& name)
{
    auto it = modal_registry().find(name);
    return it == modal_registry().end() ? nullptr : &it->second;
}

void register_modeless_dialog(const std::string& name, ModelessDialogFns fns)
{
    modeless_registry()[name] = std::move(fns);
}

const ModelessDialogFns* find_modeless_dialog(const std::string& name)
{
    auto it = modeless_registry().find(name);
    return it == modeless_registry().end() ? nullptr : &it->second;
}
