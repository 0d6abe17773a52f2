#include "preview.h"

#include <string>

#include "render/dots.h"
#include "render/renderer.h"

namespace veltrane::cli {

image::RgbImage PictureProgram(const program::Program& program, std::span<const uint8_t> block,
                               const platform::LocalTime& time, const PreviewLook& look) {
  if (look.style == PreviewStyle::Squares && !look.labels)
    return render::ScaleUp(render::JoinPages(render::RenderProgram(program, block, time)),
                           look.scale);
  std::vector<image::RgbImage> pages = render::RenderProgram(program, block, time);
  for (size_t i = 0; i < pages.size(); ++i) {
    pages[i] = look.style == PreviewStyle::Dots ? render::DrawLeds(pages[i], look.scale)
                                                : render::ScaleUp(pages[i], look.scale);
    if (look.labels) pages[i] = render::AddLabelRow(pages[i], "page " + std::to_string(i + 1));
  }
  return render::JoinPages(pages);
}

}  // namespace veltrane::cli
