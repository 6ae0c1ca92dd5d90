# Replays the committed fuzz corpus through each fuzz target with a plain
# driver (no libFuzzer), so a crash once found stays a regression test.
file(GLOB VARNEL_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/fuzz_*.cpp)
foreach(src ${VARNEL_FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  string(REPLACE "fuzz_" "" target ${name})
  add_executable(replay_${target} ${src} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_include_directories(replay_${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(replay_${target} PRIVATE varnel_search varnel_edit varnel_core)
  add_test(NAME fuzz_corpus_${target} COMMAND replay_${target} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${target})
endforeach()
