# The Win32 program and its UI test program (cross-built with MinGW-w64).
# Everything is linked statically so that no MinGW DLL has to sit beside the exe.
add_link_options(-static -static-libgcc -static-libstdc++)
# The 32-bit programs are large-address-aware: on 64-bit Windows they get
# 4 GB of address space instead of 2 GB.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options(-Wl,--large-address-aware)
endif()
file(GLOB VARNEL_UI_SOURCES CONFIGURE_DEPENDS src/ui/*.cpp)
if(VARNEL_UI_SOURCES)
  enable_language(RC)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  list(FILTER VARNEL_UI_SOURCES EXCLUDE REGEX "/winmain\\.cpp$")
  add_library(varnel_ui STATIC ${VARNEL_UI_SOURCES})
  target_link_libraries(varnel_ui PUBLIC varnel_search varnel_edit varnel_core comctl32 comdlg32 gdi32 user32)
  target_compile_definitions(varnel_ui PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)

  # The icon is drawn by a script; the resource script picks it up from here.
  set(VARNEL_GENERATED ${CMAKE_BINARY_DIR}/generated)
  set(VARNEL_ICON ${VARNEL_GENERATED}/varnel.ico)
  add_custom_command(OUTPUT ${VARNEL_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VARNEL_GENERATED}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make-icon.py ${VARNEL_ICON}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-icon.py
    COMMENT "Drawing the program icon")
  add_custom_target(varnel_icon DEPENDS ${VARNEL_ICON})
  set(VARNEL_RESOURCES ${CMAKE_SOURCE_DIR}/src/ui/varnel.rc)
  set_source_files_properties(${VARNEL_RESOURCES} PROPERTIES
    OBJECT_DEPENDS "${VARNEL_ICON};${CMAKE_SOURCE_DIR}/src/ui/varnel.manifest")

  add_executable(varnel WIN32 src/ui/winmain.cpp ${VARNEL_RESOURCES})
  target_include_directories(varnel PRIVATE ${VARNEL_GENERATED} ${CMAKE_SOURCE_DIR}/src/ui)
  add_dependencies(varnel varnel_icon)
  target_link_libraries(varnel PRIVATE varnel_ui)

  # Sample files beside the program, where the open-file dialog starts.
  file(GLOB VARNEL_SAMPLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/samples/*)
  foreach(sample ${VARNEL_SAMPLES})
    get_filename_component(name ${sample} NAME)
    configure_file(${sample} ${CMAKE_BINARY_DIR}/${name} COPYONLY)
  endforeach()

  file(GLOB VARNEL_UI_TEST_SOURCES CONFIGURE_DEPENDS tests/ui/*.cpp)
  if(VARNEL_UI_TEST_SOURCES)
    add_executable(varnel_ui_tests ${VARNEL_UI_TEST_SOURCES} ${VARNEL_RESOURCES})
    target_include_directories(varnel_ui_tests PRIVATE tests ${VARNEL_GENERATED} ${CMAKE_SOURCE_DIR}/src/ui)
    add_dependencies(varnel_ui_tests varnel_icon)
    target_link_libraries(varnel_ui_tests PRIVATE varnel_ui)
  endif()
endif()

# The command-line driver as a Windows program, for the 32-bit figures under
# Wine (scripts/bench-i686.sh); not built by default, not part of the tests.
add_executable(varnel-bench EXCLUDE_FROM_ALL bench/varnel_bench.cpp)
target_link_libraries(varnel-bench PRIVATE varnel_search varnel_core psapi)

# The driver behind `make screenshots` (built only on request): it starts the
# program, works it like a user and takes pictures of its windows.
add_executable(varnel_screenshots EXCLUDE_FROM_ALL tools/screenshot_driver.cpp)
target_include_directories(varnel_screenshots PRIVATE src)
target_compile_definitions(varnel_screenshots PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(varnel_screenshots PRIVATE user32 gdi32)
