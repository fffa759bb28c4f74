# The Windows test programs run under wine, in a prefix of the build's own
# (made once by the wine.prefix test), the same on every machine: wine's
# messages off, nothing written into the desktop's menus, neither Mono nor
# Gecko looked for (wine would offer to download them), no X display but the
# one a test starts itself (none from the shell that runs the tests), and
# the same locale whatever the user's (the system dialogs' titles, the code
# page of file names).
find_program(KELVRIN_WINE NAMES wine wine64)
if(KELVRIN_WINE)
  set(KELVRIN_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
  set(KELVRIN_WINE_ENVIRONMENT
      --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=LANGUAGE LC_ALL=C.UTF-8
      WINEPREFIX=${KELVRIN_WINE_PREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${KELVRIN_WINE_ENVIRONMENT} ${KELVRIN_WINE})
endif()
