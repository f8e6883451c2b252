// The dialog windows the commands ask for by name, made known to the view
// once per process.
#pragma once

void register_shell_dialogs();
