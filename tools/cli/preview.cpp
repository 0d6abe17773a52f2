#include "preview.h"

#include "render/renderer.h"

namespace veltrane::cli {

image::RgbImage PictureProgram(const program::Program& program, std::span<const uint8_t> block,
                               const platform::LocalTime& time, int scale) {
  return render::ScaleUp(render::JoinPages(render::RenderProgram(program, block, time)), scale);
}

}  // namespace veltrane::cli
