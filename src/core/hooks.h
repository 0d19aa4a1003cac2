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
// The wait cursor (true) or the arrow (false). Callers hold a BusyScope
// rather than pairing these by hand, so no early return leaves them unbalanced.
void SetBusy(bool busy);

// The wait cursor for as long as the scope lives; the program keeps it up
// until the outermost scope ends.
class BusyScope {
 public:
  BusyScope() { SetBusy(true); }
  ~BusyScope() { SetBusy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
};
// Rows done of rows to do for a long rendering or export.
void ReportProgress(int64_t done, int64_t total);
