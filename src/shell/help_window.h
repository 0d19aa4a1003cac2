// The manual, shown in a window of the program.
#pragma once

#include <string>

class QWidget;

// Opens (or raises) the help window at the manual's contents page.
void ShowHelpContents(const std::string& manualFolder, QWidget* owner);
