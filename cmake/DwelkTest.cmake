# dwelk_add_test(NAME SOURCES files... LIBS targets... [GUI] [TIMEOUT seconds])
# One Qt Test program per unit or class, registered with ctest under the label of its
# folder ("window" for the window's own tests) and "gui" when it shows widgets.
# Paths the tests need are compiled in, so every program also runs on its own; GUI tests
# pick the offscreen platform unless QT_QPA_PLATFORM says otherwise.
function(dwelk_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  get_filename_component(label ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(label STREQUAL "app")
    set(label window)
  endif()
  set(sources ${T_SOURCES})
  set(labels ${label})
  if(T_GUI)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/common/GuiTestDefaults.cpp)
    list(APPEND labels gui)
  endif()
  # Most programs finish within seconds; the window's own start the web view many times
  # (about 25 s on an idle machine). The margin covers a machine shared with other builds.
  if(NOT T_TIMEOUT)
    if(label STREQUAL "window")
      set(T_TIMEOUT 180)
    else()
      set(T_TIMEOUT 60)
    endif()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_compile_definitions(${name} PRIVATE
    DWELK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    DWELK_BIN_DIR="${PROJECT_BINARY_DIR}/bin"
    DWELK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${T_TIMEOUT})
endfunction()
