# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra)

if(ZQ_SANITIZE)
  add_compile_options(-fsanitize=${ZQ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZQ_SANITIZE})
endif()

# Coverage feedback for libFuzzer in every library the fuzz targets link;
# only the fuzz programs themselves link the fuzzer's main.
if(ZQ_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
