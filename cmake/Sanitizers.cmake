# Applies VELTRANE_SANITIZE to everything built in this tree.
if(VELTRANE_SANITIZE)
  add_compile_options(-fsanitize=${VELTRANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VELTRANE_SANITIZE})
endif()
