// passavue-render: the design rendered, measured and written without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the command with its arguments (without the program name). Output
// goes to `out`, messages to `err`. 0 success, 1 an error the program
// reported, 2 wrong usage.
int RunRenderCommand(const std::vector<std::string>& arguments, const std::string& programFolder,
                     std::ostream& out, std::ostream& err);
