// The recovery copy: a modified design kept on disk, so that a program ended
// by the system (SIGTERM, SIGHUP, the session logging out) or by a crash
// loses at most the last half minute of work.
#pragma once

#include <QLockFile>
#include <functional>
#include <memory>
#include <string>

struct SceneSettings;
class Interaction;
class QObject;

// How often a modified design is copied.
constexpr int kRecoveryIntervalMilliseconds = 30000;
constexpr const char* kRecoveryQuestion =
    "Passavue was not closed properly. Restore the design you were working on?";

// "recovery" under the user's data folder (~/.local/share/Kestrow/Passavue),
// beside the per-user default design.
std::string RecoveryFolder();

class RecoveryCopy {
 public:
  // One running Passavue keeps a copy in `folder`; another one started
  // meanwhile finds the lock taken and neither keeps nor offers one.
  explicit RecoveryCopy(const std::string& folder);

  bool active() const { return lock_ != nullptr; }
  const std::string& path() const { return path_; }

  // Copies a modified design (quietly, leaving `modified` and the last
  // folder alone); removes the copy of a saved or discarded one.
  void Keep(const SceneSettings& design);
  void Remove();
  // The program is being ended from outside: the design is copied one last
  // time, and the copy is left alone from then on. Until Offer has decided,
  // an earlier run's copy is never replaced or removed.
  void Finish(const SceneSettings& design);
  // At start, a copy left by a run that did not end properly: asks
  // kRecoveryQuestion; Yes loads it as a modified design, No removes it.
  // True when it was loaded.
  bool Offer(SceneSettings* scene, Interaction* interaction);

 private:
  std::unique_ptr<QLockFile> lock_;
  std::string path_;
  bool earlier_ = false;  // the copy on disk is an earlier run's, not yet offered
  bool finished_ = false;
};

// SIGTERM and SIGHUP run `handler` from the event loop; the signal handler
// itself only writes a byte into a socket pair. Once per process.
void OnTerminationSignal(QObject* parent, std::function<void()> handler);
