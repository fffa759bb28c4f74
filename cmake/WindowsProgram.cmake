# A Windows program's version resource and manifest (the UTF-8 code page,
# paths longer than MAX_PATH, Windows 10 and 11). A third argument names a
# manifest of the program's own instead of app/windows/kelvrin.manifest.
function(kelvrin_windows_program target description)
  set(manifest_template ${PROJECT_SOURCE_DIR}/app/windows/kelvrin.manifest)
  if(ARGC GREATER 2)
    set(manifest_template ${ARGV2})
  endif()
  set(KELVRIN_PROGRAM ${target})
  set(KELVRIN_DESCRIPTION ${description})
  set(KELVRIN_FILE_VERSION ${PROJECT_VERSION}.0)
  string(REPLACE "." "," KELVRIN_RC_VERSION ${KELVRIN_FILE_VERSION})
  set(KELVRIN_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${manifest_template} ${KELVRIN_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/app/windows/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
