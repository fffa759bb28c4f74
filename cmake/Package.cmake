# The Debian package: `cpack -G DEB` in a build folder. Depends are named as
# Debian names the packages, so apt installs them.
set(CPACK_PACKAGE_NAME kelvrin)
set(CPACK_PACKAGE_VENDOR "The kelvrin developers")
set(CPACK_PACKAGE_CONTACT "The kelvrin developers <kelvrin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Changes the coordinate reference system of DXF drawings (Portugal, Azores, Madeira)")
set(CPACK_PACKAGE_DESCRIPTION
    "kelvrin moves every position of a DXF drawing between the national coordinate
reference systems of mainland Portugal, the Azores and Madeira with the official
transformations, and leaves everything else in the drawing as it was. It has a
window for surveyors and CAD technicians (kelvrin) and a command line for batch
work and scripts (kelvrin-cli).")
set(CPACK_PACKAGE_FILE_NAME "kelvrin_${PROJECT_VERSION}_amd64")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kelvrin.invalid")
# PROJ's library and its database (proj-data) run the NTv2 method and the
# conversions between any two systems.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36), libstdc++6 (>= 12), libproj25, proj-data")
if(KELVRIN_BUILD_GUI)
  # The window: Qt, its platform plugins, and Qt's own texts in Portuguese.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4)"
         ", qt6-qpa-plugins, qt6-translations-l10n")
endif()
include(CPack)
