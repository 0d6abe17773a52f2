#include "preview.h"

#include <string>

#include "render/dots.h"
#include "render/renderer.h"

namespace veltrane::cli {
namespace {

std::string PageLabel(size_t index) { return "page " + std::to_string(index + 1); }

// The size ScaleUp and DrawLeds give a picture of `size`.
render::PictureSize Scaled(const render::PictureSize& size, int32_t scale) {
  const int32_t fitted = render::FittedScale(size.width, size.height, scale);
  return {size.width * fitted, size.height * fitted};
}

// Squares without labels scale the joined pages at once; every other look works page by page.
bool ScalesJoinedPages(const PreviewLook& look) {
  return look.style == PreviewStyle::Squares && !look.labels;
}

}  // namespace

render::PictureSize PreviewSize(const program::Program& program, const PreviewLook& look) {
  std::vector<render::PictureSize> pages;
  for (size_t i = 0; i < program.pages.size(); ++i) {
    pages.push_back(render::PageSizeOf(program, i));
    if (ScalesJoinedPages(look)) continue;
    pages.back() = Scaled(pages.back(), look.scale);
    if (look.labels) pages.back() = render::LabelledSize(pages.back(), PageLabel(i));
  }
  const render::PictureSize joined = render::JoinedSize(pages);
  return ScalesJoinedPages(look) ? Scaled(joined, look.scale) : joined;
}

std::variant<image::RgbImage, std::string> PictureProgram(const program::Program& program,
                                                          std::span<const uint8_t> block,
                                                          const platform::LocalTime& time,
                                                          const PreviewLook& look) {
  const render::PictureSize size = PreviewSize(program, look);
  if (size.Pixels() > kMaxPreviewPixels) {
    return "the picture would be " + std::to_string(size.width) + " x " +
           std::to_string(size.height) + " pixels, more than the " +
           std::to_string(kMaxPreviewPixels) + " a preview may have";
  }
  if (ScalesJoinedPages(look))
    return render::ScaleUp(render::JoinPages(render::RenderProgram(program, block, time)),
                           look.scale);
  std::vector<image::RgbImage> pages = render::RenderProgram(program, block, time);
  for (size_t i = 0; i < pages.size(); ++i) {
    pages[i] = look.style == PreviewStyle::Dots ? render::DrawLeds(pages[i], look.scale)
                                                : render::ScaleUp(pages[i], look.scale);
    if (look.labels) pages[i] = render::AddLabelRow(pages[i], PageLabel(i));
  }
  return render::JoinPages(pages);
}

}  // namespace veltrane::cli
