# Installing the native console program, and its Debian package:
#   cmake --preset release && cmake --build --preset release && cpack --preset release
include(GNUInstallDirs)
install(TARGETS corvanta-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

set(corvanta_man "${CMAKE_BINARY_DIR}/man/corvanta-cli.1.gz")
add_custom_command(OUTPUT "${corvanta_man}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/man"
  COMMAND "${CMAKE_COMMAND}" "-DPROGRAM=$<TARGET_FILE:corvanta-cli>" "-DOUTPUT=${corvanta_man}"
          "-DVERSION=${PROJECT_VERSION}" -P "${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake"
  DEPENDS corvanta-cli "${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake"
  COMMENT "Writing the manual page of corvanta-cli from its --help")
add_custom_target(corvanta_man ALL DEPENDS "${corvanta_man}")
install(FILES "${corvanta_man}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvanta-cli)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
string(REGEX REPLACE "^www\\." "" corvanta_mail_domain "${CORVANTA_VENDOR_HOST}")
set(CPACK_PACKAGE_CONTACT "Corvanta developers <support@${corvanta_mail_domain}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Registry cleaner for stopped Wine prefixes and Windows volumes")
set(CPACK_PACKAGE_DESCRIPTION "corvanta-cli finds the Wine prefixes of the user (Wine's own and \
those of the game launchers) and scans, repairs and backs up their registries while they are \
stopped.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # corvanta-cli_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the shared libraries' packages, from dpkg-shlibdeps
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)
