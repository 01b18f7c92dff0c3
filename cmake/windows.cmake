# The Windows half: the Win32 hand-off in kvx_core (window messages, the registry, starting
# programs), its tests, and the stand-in tester program they start.
file(GLOB KVX_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/handoff/win32/*.cpp)
target_sources(kvx_core PRIVATE ${KVX_WIN32_SOURCES})
target_link_libraries(kvx_core PUBLIC user32 advapi32 shell32)
# UTF-8 texts in the sources stay UTF-8 in the program; Windows APIs get UTF-16.
target_compile_definitions(kvx_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
if(MSVC)
  # The sources are UTF-8 (the Russian texts of the program).
  target_compile_options(kvx_core PUBLIC /utf-8)
endif()

if(TARGET kvx_core_tests)
  file(GLOB KVX_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/handoff/win32/*.cpp)
  target_sources(kvx_core_tests PRIVATE ${KVX_WIN32_TESTS})
  # The tester's stand-in: started by the hand-off as Dir_KVX + "KVX_Test.exe".
  add_executable(kvx_test_stand_in ${CMAKE_SOURCE_DIR}/tests/handoff/stand_in/win32_tester.cpp)
  target_link_libraries(kvx_test_stand_in PRIVATE kvx_core)
  set_target_properties(kvx_test_stand_in PROPERTIES OUTPUT_NAME KVX_Test)
  add_dependencies(kvx_core_tests kvx_test_stand_in)
  target_compile_definitions(kvx_core_tests PRIVATE KVX_STAND_IN_PATH="$<TARGET_FILE:kvx_test_stand_in>")
endif()
