// SPDX-License-Identifier: MIT
#include "platform/tools/font_families.h"

#include <fontconfig/fontconfig.h>

#include <mutex>
#include <set>

namespace veltrane::platform {
namespace {

// The installed faces as fontconfig knows them, loaded on first use as the font engine loads its
// own; a list taken under the lock, as one configuration is not for two threads at once.
class FaceList {
 public:
  FaceList() : config_(FcInitLoadConfigAndFonts()) {}
  ~FaceList() {
    if (config_ != nullptr) FcConfigDestroy(config_);
  }
  FaceList(const FaceList&) = delete;
  FaceList& operator=(const FaceList&) = delete;

  // Each face's first family name: the name it is listed by, without its localised ones.
  std::vector<std::string> Families() {
    std::lock_guard lock(mutex_);
    if (config_ == nullptr) return {};
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts =
        pattern != nullptr && objects != nullptr ? FcFontList(config_, pattern, objects) : nullptr;
    std::set<std::string> families;
    for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
      FcChar8* name = nullptr;
      if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &name) == FcResultMatch)
        families.insert(reinterpret_cast<const char*>(name));
    }
    if (fonts != nullptr) FcFontSetDestroy(fonts);
    if (objects != nullptr) FcObjectSetDestroy(objects);
    if (pattern != nullptr) FcPatternDestroy(pattern);
    return {families.begin(), families.end()};
  }

 private:
  std::mutex mutex_;
  FcConfig* config_ = nullptr;
};

}  // namespace

std::vector<std::string> InstalledFamilies() {
  static FaceList faces;
  return faces.Families();
}

}  // namespace veltrane::platform
