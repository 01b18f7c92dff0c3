# Installation on Linux: the programs with their help files in lib/kvx-edit (the editor finds
# its guide beside itself) and links to them in bin, their manual pages, the desktop entry, the
# icon in the hicolor theme and the MIME type of test files, so that a file manager opens them
# with the editor.
include(GNUInstallDirs)
set(KVX_PROGRAM_DIR lib/kvx-edit)

install(TARGETS kvxtool RUNTIME DESTINATION ${KVX_PROGRAM_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/man/kvxtool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(KVX_LINKED_PROGRAMS kvxtool)
if(TARGET KVX_Edit)
  install(TARGETS KVX_Edit RUNTIME DESTINATION ${KVX_PROGRAM_DIR})
  file(GLOB KVX_INSTALL_HELP CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/*)
  install(FILES ${KVX_INSTALL_HELP} DESTINATION ${KVX_PROGRAM_DIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/man/KVX_Edit.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND KVX_LINKED_PROGRAMS KVX_Edit)
endif()
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bin}\")
  file(RELATIVE_PATH to \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" \"\${CMAKE_INSTALL_PREFIX}/${KVX_PROGRAM_DIR}\")
  foreach(p ${KVX_LINKED_PROGRAMS})
    file(CREATE_LINK \"\${to}/\${p}\" \"\${bin}/\${p}\" SYMBOLIC)
  endforeach()
")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kvx-edit.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/kvx_icon.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps
        RENAME kvx-edit.png)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kvx-edit.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

if(KVX_BUILD_TESTS AND NOT WIN32)
  add_test(NAME DesktopIntegration.InstallsAndOpensTestFiles
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/exchange/desktop_integration.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
endif()
