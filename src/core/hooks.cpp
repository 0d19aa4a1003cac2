#include "core/hooks.h"

#include <cstdio>
#include <utility>

namespace {
ErrorHook errorHook;
BusyHook busyHook;
ProgressHook progressHook;
}  // namespace

ErrorHook SetErrorHook(ErrorHook hook) { return std::exchange(errorHook, std::move(hook)); }
BusyHook SetBusyHook(BusyHook hook) { return std::exchange(busyHook, std::move(hook)); }
ProgressHook SetProgressHook(ProgressHook hook) { return std::exchange(progressHook, std::move(hook)); }

void ShowError(const std::string& message) {
  if (errorHook) {
    errorHook(message);
  } else {
    std::fprintf(stderr, "%s\n", message.c_str());
  }
}

void SetBusy(bool busy) {
  if (busyHook) busyHook(busy);
}

void ReportProgress(int64_t done, int64_t total) {
  if (progressHook) progressHook(done, total);
}
