# The Windows half: the Win32 hand-off in kvx_core (window messages, the registry, starting
# programs), its tests, and the stand-in tester program they start.
# The version block of the program's own file is read through the platform folder.
file(GLOB KVX_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/handoff/win32/*.cpp
     ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
target_sources(kvx_core PRIVATE ${KVX_WIN32_SOURCES})
target_link_libraries(kvx_core PUBLIC user32 advapi32 shell32 version)

# Every program carries the icon and the version block (the core tests read it back).
set(KVX_WINDOWS_ICON ${CMAKE_SOURCE_DIR}/resources/windows/kvx_edit.ico)
foreach(program KVX_Edit kvxtool kvx_core_tests kvx_ui_tests)
  if(TARGET ${program})
    get_target_property(KVX_WINDOWS_NAME ${program} OUTPUT_NAME)
    if(NOT KVX_WINDOWS_NAME)
      set(KVX_WINDOWS_NAME ${program})
    endif()
    if(program STREQUAL "KVX_Edit")
      set(KVX_WINDOWS_DESCRIPTION "Редактор тестов микросхем KVX")
    else()
      set(KVX_WINDOWS_DESCRIPTION "Редактор KVX: ${KVX_WINDOWS_NAME}")
    endif()
    configure_file(${CMAKE_SOURCE_DIR}/resources/windows/version.rc.in
                   ${CMAKE_BINARY_DIR}/generated/${program}.rc @ONLY)
    target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/generated/${program}.rc)
  endif()
endforeach()
# UTF-8 texts in the sources stay UTF-8 in the program; Windows APIs get UTF-16.
target_compile_definitions(kvx_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
if(MSVC)
  # The sources are UTF-8 (the Russian texts of the program).
  target_compile_options(kvx_core PUBLIC /utf-8)
endif()

if(TARGET kvx_core_tests)
  file(GLOB KVX_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/handoff/win32/*.cpp
       ${CMAKE_SOURCE_DIR}/tests/platform/win32/*.cpp)
  target_sources(kvx_core_tests PRIVATE ${KVX_WIN32_TESTS})
  # The tester's stand-in: started by the hand-off as Dir_KVX + "KVX_Test.exe".
  add_executable(kvx_test_stand_in ${CMAKE_SOURCE_DIR}/tests/handoff/stand_in/win32_tester.cpp)
  target_link_libraries(kvx_test_stand_in PRIVATE kvx_core)
  set_target_properties(kvx_test_stand_in PROPERTIES OUTPUT_NAME KVX_Test)
  add_dependencies(kvx_core_tests kvx_test_stand_in)
  target_compile_definitions(kvx_core_tests PRIVATE KVX_STAND_IN_PATH="$<TARGET_FILE:kvx_test_stand_in>")
endif()
