// The File menu's design commands, free of any widget so that every path
// through them can be tested with scripted answers.
#pragma once

#include <cstdint>
#include <string>

#include "core/interaction.h"

struct AppState;
struct SceneSettings;
class Document;

enum class SaveOutcome { Saved, Cancelled, Failed };

// The Save dialog, repeated until the name has the design ending, then the
// write. The design is marked unmodified only when it was written.
SaveOutcome SaveDesignWithDialog(AppState* state, Document* document, Interaction* interaction);
// Save As Default: straight to the program folder's "default.Passavue".
SaveOutcome SaveDesignAsDefault(AppState* state, Document* document);
// The question about unsaved changes, then the Open dialog and the load.
// True when a design was read completely.
bool OpenDesignWithDialog(AppState* state, Document* document, Interaction* interaction);
// The question about unsaved changes, then the design at `path` read as
// Open reads it (a recent design, a dropped file). True when read completely.
bool OpenDesignFile(AppState* state, Document* document, Interaction* interaction, const std::string& path);
// Reads the design at `path` without asking. Read completely, it is
// unmodified and first among the recent designs; otherwise, after the
// message, it leaves them. True when read completely.
bool ReadDesign(AppState* state, Document* document, const std::string& path);
// Makes the picture at `path` the framed one of `design` (a
// `PictureFileType`), as "Select New Image ..." does: LoadPicture, then the
// custom size starts from the new picture's own size. 0 framed; 1 after the
// message, nothing changed.
int FramePicture(AppState* state, SceneSettings* design, const std::string& path, int32_t type);
// New: asks "Save current settings first?"; resets only when nothing was
// cancelled and a wanted save succeeded. True when the design was reset.
bool NewDesign(AppState* state, Document* document, Interaction* interaction);
// Before closing or opening another design: asks "Save modified settings?"
// when the design is modified. True when the design may be dropped (saved,
// or the user answered No: `modified` then stays 1). Unsaved changes are
// never lost: a cancelled or failed save answers false.
bool ConfirmDiscardChanges(AppState* state, Document* document, Interaction* interaction);

// The program folder's default design, if there is one: read into `design`, true.
bool LoadDefaultDesign(AppState* state, SceneSettings* design);
