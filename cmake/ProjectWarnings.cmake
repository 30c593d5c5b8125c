# Warnings and sanitizers every target of ours links through project_warnings.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE -Wall -Wextra -Wpedantic
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)  # clang (fuzz builds) has no -Wshadow=local
# GCC 12 at -O2 and above reports string concatenation in libstdc++ as an
# overlapping copy (GCC bug 105329); the warning has no true finds here.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(project_warnings INTERFACE -Wno-restrict)
endif()
if(ENABLE_WERROR)
  target_compile_options(project_warnings INTERFACE -Werror)
endif()

if(SANITIZERS)
  add_compile_options(-fsanitize=${SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SANITIZERS})
endif()

# Fuzz builds instrument our libraries for coverage too, not only the targets.
if(BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
