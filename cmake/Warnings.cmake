# One warning list for all of our own targets.
set(KELVRIN_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

function(kelvrin_warnings target)
  target_compile_options(${target} PRIVATE ${KELVRIN_WARNING_FLAGS})
  if(KELVRIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
