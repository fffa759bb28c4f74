# The Windows test programs run under wine, in a prefix of the build's own
# (made once by the wine_prefix test), with wine's messages off and nothing
# written into the desktop's menus.
find_program(KELVRIN_WINE NAMES wine wine64)
if(KELVRIN_WINE)
  set(KELVRIN_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${KELVRIN_WINE_PREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=winemenubuilder.exe=d ${KELVRIN_WINE})
endif()
