# Builds that ship carry the hardening Debian gives its own programs: stack
# protection, checked string and memory functions, and a read-only,
# immediately bound relocation table (position-independent executables are
# the compiler's default). Sanitizer and fuzz builds bring their own checks.
if(NOT SOLWIRE_INSTRUMENTED)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection
                      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
