# What a user downloads, made by CPack (`cmake --build <dir> --target package`,
# or scripts/package.sh, which builds only what goes in). Each build folder
# makes the package of its own platform: the Windows build a ZIP of the two
# programs, their skins, a README.txt and the licence, unpacked and run
# wherever the user likes. A generator for another platform's build goes
# beside the Windows branch, with its own install rules and file name.
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
endif()

include(CPack)
