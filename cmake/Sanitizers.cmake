# SPDX-License-Identifier: MIT
# Applies VELTRANE_SANITIZE to everything built in this tree.
if(VELTRANE_SANITIZE)
  add_compile_options(-fsanitize=${VELTRANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VELTRANE_SANITIZE})
endif()

# The fuzz build instruments every library for coverage, so that libFuzzer is guided by the
# branches of the parsers the targets drive and not only by those of the targets themselves.
if(VELTRANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
