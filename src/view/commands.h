// The command table: every menu item, toolbar button and command-line
// command reaches the view through one entry, keyed by its numeric id.
// An entry gives the menu text, where the menu shows it, its shortcut,
// the action and the update rule (check mark, enabled).
//
// The table's texts live in one list (commands.cpp); the actions are
// supplied by the modules that own them (view, modelling, 2D board,
// dialogs), each as a list of CommandImpl joined to the texts by id.
#pragma once
#include <span>
#include <string>
#include <vector>

class ViewBehaviour;

struct CommandState {
    bool enabled = true;
    bool checked = false;
};

using CommandRun = void (*)(ViewBehaviour&);
// Update rule, run when a menu showing the item opens (and for toolbars).
using CommandUpdate = CommandState (*)(ViewBehaviour&);

struct CommandImpl {
    int id;
    CommandRun run;
    CommandUpdate update;   // null: enabled, no check mark
};

// Whether a command changes the scene, and so marks the document modified.
enum class SceneEdit : unsigned char {
    None,       // views, switches, files, dialogs that only show
    Always,     // edits the scene whenever it runs
    IfChanged,  // may be cancelled: marks when it added or removed objects
                // or raised the scene-changed flag
};

struct Command {
    int id;
    const char* text;       // menu text, with & for the mnemonic
    const char* menu;       // "&File", "View/Speed/Rotation", ... ("" = toolbar only)
    const char* shortcut;   // "Ctrl+R", "F5", ... or ""
    CommandRun run;         // null: the command has no action (shown disabled)
    CommandUpdate update;
    SceneEdit edits = SceneEdit::None;
};

// The whole table, texts joined with their actions, in table order.
const std::vector<Command>& command_table();
// The entry of `id`, or null.
const Command* find_command(int id);
// Runs command `id` on the view as a menu would. false for an unknown id
// (nothing runs); a known id without action does nothing and gives true.
bool run_command(ViewBehaviour& v, int id);
// Update rule of `id` (default: enabled, no check; unknown: disabled).
CommandState command_state(ViewBehaviour& v, int id);

// The action lists of all modules, in the order the table joins them.
std::vector<std::span<const CommandImpl>> command_impl_lists();
// The first id that appears twice across `lists`, or 0.
int first_duplicate_id(const std::vector<std::span<const CommandImpl>>& lists);
// The first id named twice in the texts or across the action lists, or 0.
// The table refuses to build (the program stops at start) when there is one.
int first_duplicate_command_id();

// The one-line help of the item, shown on the status line while a menu
// item or toolbar button is highlighted; "" when it has none.
const char* command_prompt(int id);

// The commands that change the scene, joined to the table by id.
struct CommandEdit {
    int id;
    SceneEdit edits;
};
std::span<const CommandEdit> scene_edit_commands();

// Actions of each module.
std::span<const CommandImpl> view_command_impls();
std::span<const CommandImpl> model_command_impls();
std::span<const CommandImpl> board_command_impls();
std::span<const CommandImpl> dialog_command_impls();
