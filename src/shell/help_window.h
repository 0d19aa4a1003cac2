// The manual, shown in a window of the program.
#pragma once

#include <string>

class QWidget;

// Opens (or raises) the help window at the manual's contents page; the
// screenshots are fitted to the window's width. Without the manual's
// contents page it shows "Cannot open file: <page>" and opens nothing (null).
QWidget* ShowHelpContents(const std::string& manualFolder, QWidget* owner);
