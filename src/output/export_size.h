// The export size as typed into the size dialog.
#pragma once

#include <string>

// The size dialog's check of its two fields: 0 with both values, or 1 with
// the message for the first field that is not a whole number from 2 to 20000.
int CheckExportSize(const std::string& widthText, const std::string& heightText, int* width, int* height,
                    std::string* message);
