# The Windows test programs run under wine, in a prefix of the build's own
# (made once by the wine.prefix test), the same on every machine: wine's
# messages off, nothing written into the desktop's menus, neither Mono nor
# Gecko looked for (wine would offer to download them), no X display but the
# one a test starts itself (none from the shell that runs the tests), the
# same locale whatever the user's (the system dialogs' titles, the code page
# of file names) and the same fonts.
find_program(KELVRIN_WINE NAMES wine wine64)
if(KELVRIN_WINE)
  set(KELVRIN_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
  # Of the machine's fonts, wine sees Liberation alone (Arial's metrics;
  # tools/setup.sh installs it): it lists the fonts it finds in the prefix
  # when it makes it, and another machine's Arial, or a font configuration
  # of its own, would change the faces the window gets.
  set(KELVRIN_WINE_FONTS ${PROJECT_BINARY_DIR}/wine-fonts.conf)
  file(WRITE ${KELVRIN_WINE_FONTS}
       "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
       "<fontconfig>\n  <dir>/usr/share/fonts/truetype/liberation</dir>\n"
       "  <cachedir>${PROJECT_BINARY_DIR}/wine-fontconfig</cachedir>\n</fontconfig>\n")
  set(KELVRIN_WINE_ENVIRONMENT
      --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=LANGUAGE LC_ALL=C.UTF-8
      FONTCONFIG_FILE=${KELVRIN_WINE_FONTS}
      WINEPREFIX=${KELVRIN_WINE_PREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d)
  set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/wine_status.sh ${CMAKE_COMMAND}
      -E env ${KELVRIN_WINE_ENVIRONMENT} ${KELVRIN_WINE})
endif()
