# One warning list for all of our own targets.
set(KELVRIN_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# GCC 12 at -O3 takes std::string's own concatenation for an overlapping
# memcpy (GCC bug 105651, fixed in GCC 13): a false positive in every
# `"text" + std::string(...)`, not a fault of ours.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND KELVRIN_WARNING_FLAGS -Wno-restrict)
endif()

function(kelvrin_warnings target)
  target_compile_options(${target} PRIVATE ${KELVRIN_WARNING_FLAGS})
  if(KELVRIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
