// Bringing the desktop program up and down.
#pragma once

#include <string>
#include <vector>

struct AppState;
class KeyValueStore;
class MainWindow;

// The state before the main window exists: the stored preferences, the
// monitor profile, the decimal separator and the assets.
void PrepareState(AppState* state, KeyValueStore* store, const std::string& programFolder);

// After the main window exists: the program folder's default design, then
// every file named on the command line, each rendered as it comes: a
// ".Passavue" design opens as File > Open does, anything else is a picture.
void OpenStartupFiles(AppState* state, MainWindow* window, const std::vector<std::string>& arguments);

// The names after the program's on the command line, byte for byte.
std::vector<std::string> CommandLineFiles(int argc, char** argv);

// The whole run: checks, state, assets, the main window, the default design,
// the pictures named on the command line, the event loop and shutdown.
int RunPassavue(int argc, char** argv);
