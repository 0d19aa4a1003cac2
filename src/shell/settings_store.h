// The persistent state's store on the desktop: QSettings under
// "Kestrow" / "Passavue", group "State", every value as text.
#pragma once

#include "scene/persistent.h"

class QtSettingsStore : public KeyValueStore {
 public:
  int ReadText(const std::string& name, std::string* text) override;
  int WriteText(const std::string& name, const std::string& text) override;
};
