#include "core/interaction.h"

#include <sys/stat.h>

bool ConfirmReplace(Interaction* interaction, const std::string& title, const std::string& path) {
  // lstat: a dangling link is still a name the write would go through.
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) != 0) return true;
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return interaction->AskYesNo(title, name + " already exists.\nDo you want to replace it?") == Answer::Yes;
}
