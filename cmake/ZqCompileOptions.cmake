# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra)

if(ZQ_SANITIZE)
  add_compile_options(-fsanitize=${ZQ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZQ_SANITIZE})
endif()
