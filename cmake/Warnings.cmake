# Every target of the project compiles with warnings as errors.
add_library(solwire_warnings INTERFACE)
target_compile_options(solwire_warnings INTERFACE -Wall -Wextra -Werror -Wpedantic)
