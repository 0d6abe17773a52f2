// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace veltrane::studio {

// A file of the page, compiled into the command from tools/studio/page/.
struct PageFile {
  std::string_view path;  // its name in that folder
  std::string_view type;  // its Content-Type
  std::string_view bytes;
};

// The page's file of that name; nothing for any other name.
const PageFile* FindPageFile(std::string_view path);

}  // namespace veltrane::studio
