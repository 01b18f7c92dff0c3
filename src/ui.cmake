# Qt half of the program: every folder's src/<folder>/ui/*.cpp goes into kvx_ui,
# src/app/ui/main.cpp is the editor's entry point.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

set(KVX_UI_SOURCES)
foreach(folder ${KVX_FOLDERS})
  file(GLOB folder_ui CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/ui/*.cpp ${CMAKE_SOURCE_DIR}/src/${folder}/ui/*.h)
  list(APPEND KVX_UI_SOURCES ${folder_ui})
endforeach()
list(FILTER KVX_UI_SOURCES EXCLUDE REGEX "/main\\.cpp$")
if(WIN32)
  # On Windows the hand-off is the hidden Win32 window of the core; no local sockets.
  list(FILTER KVX_UI_SOURCES EXCLUDE REGEX "/local_handoff_channel\\.(cpp|h)$")
endif()
file(GLOB KVX_UI_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.qrc)

# The test sheet is printed and written as PDF; SVG pictures are written by a paint device of
# our own (no Qt SVG). The hand-off talks through local sockets except on Windows.
find_package(Qt6 REQUIRED COMPONENTS PrintSupport)
add_library(kvx_ui STATIC ${KVX_UI_SOURCES} ${KVX_UI_RESOURCES})
target_link_libraries(kvx_ui PUBLIC kvx_core Qt6::Widgets Qt6::PrintSupport)
if(NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Network)
  target_link_libraries(kvx_ui PUBLIC Qt6::Network)
endif()
target_compile_definitions(kvx_ui PUBLIC KVX_WITH_UI=1)

if(EXISTS ${CMAKE_SOURCE_DIR}/src/app/ui/main.cpp)
  add_executable(KVX_Edit ${CMAKE_SOURCE_DIR}/src/app/ui/main.cpp)
  target_link_libraries(KVX_Edit PRIVATE kvx_ui)
  # A Windows program, not a console tool.
  set_target_properties(KVX_Edit PROPERTIES WIN32_EXECUTABLE ON)
  # The guide and help files live beside the program.
  file(GLOB KVX_HELP_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/*)
  foreach(f ${KVX_HELP_FILES})
    get_filename_component(fname ${f} NAME)
    configure_file(${f} ${CMAKE_BINARY_DIR}/${fname} COPYONLY)
  endforeach()
endif()

file(GLOB KVX_TOOL_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/tool/ui/*.cpp)
add_executable(kvxtool ${KVX_TOOL_SOURCES} ${KVX_TOOL_UI_SOURCES})
target_link_libraries(kvxtool PRIVATE kvx_ui)

if(KVX_BUILD_TESTS)
  set(KVX_UI_TEST_SOURCES)
  foreach(folder ${KVX_FOLDERS} tool)
    file(GLOB folder_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/ui/*.cpp)
    list(APPEND KVX_UI_TEST_SOURCES ${folder_tests})
  endforeach()
  if(WIN32)
    # The local-socket hand-off is not built there; the Win32 one has its tests in the core's.
    list(FILTER KVX_UI_TEST_SOURCES EXCLUDE REGEX "/tests/(handoff|tool)/ui/")
  endif()
  if(KVX_UI_TEST_SOURCES)
    add_executable(kvx_ui_tests ${KVX_UI_TEST_SOURCES})
    target_link_libraries(kvx_ui_tests PRIVATE kvx_ui Qt6::Test GTest::gtest)
    target_compile_definitions(kvx_ui_tests PRIVATE KVX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                               KVX_TOOL_PATH="$<TARGET_FILE:kvxtool>")
    add_dependencies(kvx_ui_tests kvxtool)
    kvx_add_test_program(kvx_ui_tests PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT WIN32)
    # The tester's stand-in for the end-to-end check of the hand-off (scripts/handoff-e2e).
    add_executable(kvx_local_tester ${CMAKE_SOURCE_DIR}/tests/handoff/stand_in/local_tester.cpp)
    target_link_libraries(kvx_local_tester PRIVATE kvx_ui)
    set_target_properties(kvx_local_tester PROPERTIES OUTPUT_NAME KVX_Test
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/stand_in)
  endif()
endif()
