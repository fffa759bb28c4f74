# The Windows installer and the portable zip of the same files
# (tools/windows_installer.sh, Debian's makensis), with the project's version:
#   cmake --build --preset windows --target windows-installer
# makes kelvrin-VERSION-setup.exe and kelvrin-VERSION-windows.zip in the build
# folder from what bin/ holds: kelvrin-cli.exe, and kelvrin.exe when it is
# built.
add_custom_target(windows-installer
  COMMAND bash ${PROJECT_SOURCE_DIR}/tools/windows_installer.sh ${PROJECT_BINARY_DIR}
          ${PROJECT_VERSION}
  COMMENT "Instalador e zip portátil do kelvrin ${PROJECT_VERSION}"
  VERBATIM USES_TERMINAL)
add_dependencies(windows-installer kelvrin-cli)
if(TARGET kelvrin)
  add_dependencies(windows-installer kelvrin)
endif()
