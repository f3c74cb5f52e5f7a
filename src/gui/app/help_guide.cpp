#include "gui/app/help_guide.h"

#include <sys/stat.h>

#include "gui/app/localization.h"

std::vector<std::string> KdxHelpGuideCandidates(const std::string& programFolder) {
  const std::string file = KdxTextUtf8(kKdxGuideName) + ".pdf";
  const std::string folder = KdxTextUtf8(kKdxGuideFolder);
  // Installed, the data folder lies beside bin/ under whatever prefix the
  // package or the install chose.
  return {programFolder + "/" + folder + "/" + file,
          programFolder + "/../share/kardinex/" + folder + "/" + file,
          std::string(KDX_GUIDE_DATA_DIR) + "/" + folder + "/" + file};
}

std::string KdxHelpGuidePath(const std::string& programFolder) {
  for (const std::string& path : KdxHelpGuideCandidates(programFolder)) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return {};
}
