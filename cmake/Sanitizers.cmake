# Sanitizer builds are whole-tree builds, selected when configuring.
if(SOLWIRE_SANITIZE AND SOLWIRE_TSAN)
  message(FATAL_ERROR "SOLWIRE_SANITIZE and SOLWIRE_TSAN cannot be combined")
endif()

# A build under a sanitizer or a fuzzer is for finding faults only: it is
# neither hardened, benchmarked nor packaged.
if(SOLWIRE_SANITIZE OR SOLWIRE_TSAN OR SOLWIRE_FUZZ)
  set(SOLWIRE_INSTRUMENTED ON)
else()
  set(SOLWIRE_INSTRUMENTED OFF)
endif()

if(SOLWIRE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(SOLWIRE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(SOLWIRE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (configure with CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
