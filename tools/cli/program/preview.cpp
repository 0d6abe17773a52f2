// SPDX-License-Identifier: MIT
#include "preview.h"

#include <numeric>
#include <string>

#include "render/dots.h"
#include "render/renderer.h"
#include "shared/output_file.h"
#include "shared/refusal.h"

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

// The 0-based indexes of the pages the look draws, in order.
std::vector<size_t> PagesDrawn(const program::Program& program, const PreviewLook& look) {
  if (look.page) return {*look.page};
  std::vector<size_t> all(program.pages.size());
  std::iota(all.begin(), all.end(), size_t{0});
  return all;
}

}  // namespace

render::PictureSize PreviewSize(const program::Program& program, const PreviewLook& look) {
  std::vector<render::PictureSize> pages;
  for (const size_t page : PagesDrawn(program, look)) {
    pages.push_back(render::PageSizeOf(program, page, look.screen));
    if (ScalesJoinedPages(look)) continue;
    pages.back() = Scaled(pages.back(), look.scale);
    if (look.labels) pages.back() = render::LabelledSize(pages.back(), PageLabel(page));
  }
  const render::PictureSize joined = render::JoinedSize(pages);
  return ScalesJoinedPages(look) ? Scaled(joined, look.scale) : joined;
}

Result<image::RgbImage> PictureProgram(const program::Program& program,
                                       std::span<const uint8_t> block,
                                       const platform::LocalTime& time, const PreviewLook& look,
                                       std::vector<render::Spill>* spills) {
  const render::PictureSize size = PreviewSize(program, look);
  if (size.Pixels() > kMaxPreviewPixels) {
    return tools::Refusal("the picture would be " + std::to_string(size.width) + " x " +
                          std::to_string(size.height) + " pixels, more than the " +
                          std::to_string(kMaxPreviewPixels) + " a preview may have");
  }
  std::vector<image::RgbImage> pages;
  if (look.page)
    pages.push_back(render::RenderPage(program, block, *look.page, time, spills, look.screen));
  else
    pages = render::RenderProgram(program, block, time, spills, look.screen);
  if (ScalesJoinedPages(look)) return render::ScaleUp(render::JoinPages(pages), look.scale);
  for (size_t i = 0; i < pages.size(); ++i) {
    pages[i] = look.style == PreviewStyle::Dots ? render::DrawLeds(pages[i], look.scale)
                                                : render::ScaleUp(pages[i], look.scale);
    if (look.labels) pages[i] = render::AddLabelRow(pages[i], PageLabel(look.page.value_or(i)));
  }
  return render::JoinPages(pages);
}

std::string WritePicture(const std::filesystem::path& file, const image::RgbImage& picture) {
  const auto png = image::EncodePng(picture);
  if (!png) return png.error().reason();
  return tools::WriteOutputFile(file, *png);
}

}  // namespace veltrane::cli
