// The core never talks to the user itself. The program installs these hooks
// (message boxes, the wait cursor, a progress line); tests replace them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

using ErrorHook = std::function<void(const std::string& message)>;
using BusyHook = std::function<void(bool busy)>;
using ProgressHook = std::function<void(int64_t done, int64_t total)>;

// Each setter returns the hook it replaces, so a test can put it back.
ErrorHook SetErrorHook(ErrorHook hook);
BusyHook SetBusyHook(BusyHook hook);
ProgressHook SetProgressHook(ProgressHook hook);

// An error for the user, shown in a box titled "Error" by the program.
// Without a hook the text goes to standard error.
void ShowError(const std::string& message);
// The wait cursor (true) or the arrow (false).
void SetBusy(bool busy);
// Rows done of rows to do for a long rendering or export.
void ReportProgress(int64_t done, int64_t total);
