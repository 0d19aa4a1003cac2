#include "shell/recovery.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>

#include "core/hooks.h"
#include "core/interaction.h"
#include "scene/settings_file.h"

namespace {

int signalSockets[2] = {-1, -1};

void SignalArrived(int number) {
  const int saved = errno;
  const char byte = static_cast<char>(number);
  // Non-blocking: a full socket already has a wake-up waiting.
  [[maybe_unused]] const ssize_t written = ::write(signalSockets[1], &byte, 1);
  errno = saved;
}

}  // namespace

std::string RecoveryFolder() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  // No data folder (no home): no copy, rather than one at the root.
  return data.isEmpty() ? std::string() : (data + QStringLiteral("/recovery")).toStdString();
}

RecoveryCopy::RecoveryCopy(const std::string& folder) {
  const QString where = QString::fromStdString(folder);
  if (folder.empty() || !QDir().mkpath(where)) return;
  auto lock = std::make_unique<QLockFile>(where + QStringLiteral("/recovery.lock"));
  // A lock left by a crashed run is stale at once (its process is gone).
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return;
  lock_ = std::move(lock);
  path_ = folder + "/recovery.Passavue";
  earlier_ = FileExists(path_) != 0;
}

void RecoveryCopy::Keep(const SceneSettings& design) {
  if (!active() || finished_ || earlier_) return;
  if (design.modified != 1) {
    Remove();
    return;
  }
  // A failing copy must not put up a box every half minute.
  ErrorHook shown = SetErrorHook([](const std::string&) {});
  std::string unusedFolder;
  SceneSettings copy = design;  // saving marks what it wrote unmodified
  SaveSettingsFileAs(path_, &copy, &unusedFolder);
  SetErrorHook(std::move(shown));
}

void RecoveryCopy::Remove() {
  if (active() && !finished_ && !earlier_) std::remove(path_.c_str());
}

void RecoveryCopy::Finish(const SceneSettings& design) {
  Keep(design);
  finished_ = true;
}

bool RecoveryCopy::Offer(SceneSettings* scene, Interaction* interaction) {
  if (!active() || !earlier_) return false;
  const Answer answer = interaction->AskYesNo("Warning", kRecoveryQuestion);
  if (finished_) return false;  // ended while asking: the copy waits for the next start
  earlier_ = false;
  std::string unusedFolder;
  if (answer != Answer::Yes || LoadSettingsFile(path_, scene, &unusedFolder) != 0) {
    Remove();
    return false;
  }
  // Nothing on disk holds this design but the copy, which stays until it is saved.
  scene->modified = 1;
  return true;
}

void OnTerminationSignal(QObject* parent, std::function<void()> handler) {
  if (signalSockets[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) return;
  ::fcntl(signalSockets[1], F_SETFL, ::fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
  ::fcntl(signalSockets[0], F_SETFL, ::fcntl(signalSockets[0], F_GETFL) | O_NONBLOCK);
  auto* notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, parent, [handler = std::move(handler)]() {
    char bytes[16];
    while (::read(signalSockets[0], bytes, sizeof bytes) > 0) {
    }
    handler();
  });
  struct sigaction action {};
  action.sa_handler = SignalArrived;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}
