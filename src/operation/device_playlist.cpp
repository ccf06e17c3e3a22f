#include "operation/device_playlist.h"

#include <algorithm>

#include "operation/medium_names.h"
#include "worklist/text_encoding.h"

std::string DevicePlaylistName(const std::string& typed, const MediumProfile& medium,
                               char replacement) {
  std::string name(TrimBlanks(typed));
  std::replace(name.begin(), name.end(), '/', '_');
  if (name.empty() || name == "." || name == "..") name = kDefaultDevicePlaylistName;
  name = MediumComponent(name, medium, replacement, true);
  return name.empty() ? std::string(kDefaultDevicePlaylistName) : name;
}

std::string PathBelowRoot(const std::string& dest, const std::string& root) {
  const std::string prefix = root == "/" ? root : root + "/";
  if (root.empty() || dest.size() <= prefix.size() || dest.compare(0, prefix.size(), prefix) != 0)
    return std::string();
  return dest.substr(prefix.size());
}
