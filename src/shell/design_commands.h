// The File menu's design commands, free of any widget so that every path
// through them can be tested with scripted answers.
#pragma once

#include <string>

#include "core/interaction.h"

struct AppState;

enum class SaveOutcome { Saved, Cancelled, Failed };

// The Save dialog, repeated until the name has the design ending, then the
// write. The design is marked unmodified only when it was written.
SaveOutcome SaveDesignWithDialog(AppState* state, Interaction* interaction);
// Save As Default: straight to the program folder's "default.Passavue".
SaveOutcome SaveDesignAsDefault(AppState* state);
// The question about unsaved changes, then the Open dialog and the load.
// True when a design was read completely.
bool OpenDesignWithDialog(AppState* state, Interaction* interaction);
// New: asks "Save current settings first?"; resets only when nothing was
// cancelled and a wanted save succeeded. True when the design was reset.
bool NewDesign(AppState* state, Interaction* interaction);
// Before closing or opening another design: asks "Save modified settings?"
// when the design is modified. True when the design may be dropped (saved,
// or the user answered No: `modified` then stays 1). Unsaved changes are
// never lost: a cancelled or failed save answers false.
bool ConfirmDiscardChanges(AppState* state, Interaction* interaction);

// The program folder's default design, if there is one: loaded, true.
bool LoadDefaultDesign(AppState* state);
