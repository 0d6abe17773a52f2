#include "preview.h"

#include <string>

#include "render/dots.h"

namespace veltrane::cli {

image::RgbImage PictureProgram(const program::Program& program, std::span<const uint8_t> block,
                               const platform::LocalTime& time, const PreviewLook& look,
                               std::vector<render::Spill>* spills) {
  std::vector<image::RgbImage> pages;
  if (look.page)
    pages.push_back(render::RenderPage(program, block, *look.page, time, spills));
  else
    pages = render::RenderProgram(program, block, time, spills);
  if (look.style == PreviewStyle::Squares && !look.labels)
    return render::ScaleUp(render::JoinPages(pages), look.scale);
  for (size_t i = 0; i < pages.size(); ++i) {
    pages[i] = look.style == PreviewStyle::Dots ? render::DrawLeds(pages[i], look.scale)
                                                : render::ScaleUp(pages[i], look.scale);
    const size_t number = look.page.value_or(i) + 1;
    if (look.labels) pages[i] = render::AddLabelRow(pages[i], "page " + std::to_string(number));
  }
  return render::JoinPages(pages);
}

}  // namespace veltrane::cli
