// Where the build put the plugin module, in the form this platform's loader takes.
#pragma once

#include <string>

inline std::string PluginModulePath() {
  std::string path = VIALMARK_MODULE_PATH;
#if defined(_WIN32)
  // Built on the Unix side of Wine, whose drive Z: is the root folder.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
  return path;
}
