# SPDX-License-Identifier: MIT
# Writes OUTPUT, a C++ file holding every file of PAGE_DIR (the page's files) as bytes, with its
# name and Content-Type, behind FindPageFile (page_files.h). Run as a build step: cmake -P.
file(GLOB page_files RELATIVE ${PAGE_DIR} ${PAGE_DIR}/*)
list(SORT page_files)
set(types "html|text/html\; charset=utf-8" "js|text/javascript\; charset=utf-8"
  "css|text/css\; charset=utf-8" "svg|image/svg+xml" "png|image/png")
set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS page_files)
  get_filename_component(extension ${name} LAST_EXT)
  string(SUBSTRING "${extension}" 1 -1 extension)
  set(type "")
  foreach(pair IN LISTS types)
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 known)
    if(known STREQUAL extension)
      list(GET pair 1 type)
    endif()
  endforeach()
  if(type STREQUAL "")
    message(FATAL_ERROR "embed_page.cmake: ${name} has no known Content-Type")
  endif()
  file(READ ${PAGE_DIR}/${name} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "const char kFile${index}[] = {${bytes} 0};\n")
  string(APPEND entries "    {\"${name}\", \"${type}\", {kFile${index}, ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Made by tools/studio/embed_page.cmake from tools/studio/page/; do not edit.
#include \"page_files.h\"

#include <array>

namespace veltrane::studio {
namespace {

${arrays}
const std::array<PageFile, ${index}> kPageFiles = {{
${entries}}};

}  // namespace

const PageFile* FindPageFile(std::string_view path) {
  for (const PageFile& file : kPageFiles)
    if (file.path == path) return &file;
  return nullptr;
}

}  // namespace veltrane::studio
")
# Only a changed file is replaced, so that an unchanged page rebuilds nothing.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
