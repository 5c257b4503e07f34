# What a user downloads, made by CPack (`cmake --build <dir> --target package`,
# or scripts/package.sh, which builds only what goes in). Each build folder
# makes the package of its own platform: the Windows build a ZIP of the two
# programs, their skins, a README.txt and the licence, unpacked and run
# wherever the user likes; the Linux build a Debian package of quillmar-cli.
set(CPACK_PACKAGE_NAME quillmar)
set(CPACK_PACKAGE_VENDOR "Quillmar")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Registry cleaner for Windows")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
if(DEFINED HomePageUrl)
  set(CPACK_PACKAGE_HOMEPAGE_URL "${HomePageUrl}")
endif()
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")

if(QM_WIN32)
  # Everything lies in one folder, as the programs look for their skins,
  # ro.ini and RegBackups beside themselves.
  install(TARGETS quillmar quillmar-cli RUNTIME DESTINATION .)
  install(FILES "${QM_ART_DIR}/bgmain.dll" "${QM_ART_DIR}/bgother.dll" "${QM_ART_DIR}/bgscan.dll"
    DESTINATION .)
  # Notepad before Windows 10 shows text only with CRLF line ends, and reads
  # UTF-8 as UTF-8 only after a byte-order mark (the template carries one).
  set(text_dir "${CMAKE_BINARY_DIR}/packaging")
  configure_file("${PROJECT_SOURCE_DIR}/packaging/README.txt.in" "${text_dir}/README.txt"
    @ONLY NEWLINE_STYLE CRLF)
  configure_file("${PROJECT_SOURCE_DIR}/LICENSE" "${text_dir}/LICENSE.txt" @ONLY NEWLINE_STYLE CRLF)
  install(FILES "${text_dir}/README.txt" "${text_dir}/LICENSE.txt" DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "quillmar-${PROJECT_VERSION}-win64")
  # The debug information of a RelWithDebInfo build is most of each file.
  set(CPACK_STRIP_FILES ON)
else()
  # Installed by dpkg into /usr like any other package; Debian looks for a
  # package's licence in its doc folder under this one name.
  install(TARGETS quillmar-cli RUNTIME DESTINATION bin)
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION share/doc/quillmar-cli
    RENAME copyright)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME quillmar-cli)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quillmar authors <quillmar@example.org>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # The summary is what apt lists beside the name; the rest apt show adds.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Windows registry cleaner for Wine prefixes and offline Windows")
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "quillmar-cli finds registry entries that point at files and folders that\n"
    "no longer exist: in a Wine or Proton prefix, or in a Windows installation\n"
    "that is not running (a second disk, a dual boot, a rescue stick), whose\n"
    "hives it reads and repairs with hivex, writing a .reg backup first.")
  # dpkg-shlibdeps names the packages of the libraries the program links
  # (libhivex0, libstdc++6, libc6, ...), with the versions this build needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Debian's own naming, e.g. quillmar-cli_2.6.0_amd64.deb.
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_STRIP_FILES ON)
endif()

include(CPack)
