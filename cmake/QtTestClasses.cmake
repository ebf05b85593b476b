# CTest entries for the Qt Test programs, one per test class, so that
# `ctest -R ClassName` picks a class and classes run side by side.

# An entry NAME that runs one CLASS of PROGRAM on the offscreen platform, with
# the environment given after the class. Each entry has a home folder of its
# own: the test programs keep their settings file (the windows' remembered
# places) under it and clear it when they start, and entries that run at the
# same time, or another tree's, must not clear or read each other's.
function(tolvane_add_qt_test name program class)
  set(environment QT_QPA_PLATFORM=offscreen "HOME=${CMAKE_CURRENT_BINARY_DIR}/home/${name}" ${ARGN})
  add_test(NAME ${name} COMMAND ${program} ${class})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" LABELS ${program})
endfunction()

# An entry named after each class that the sources of PROGRAM register with
# TOLVANE_REGISTER_TEST (a class on one platform only is among its sources
# there only). Read from the sources when configuring, so a changed source
# configures again. The registration stands alone on its line, as tools/
# scripts read it too; one written otherwise stops the configuration rather
# than leave its class out.
function(tolvane_add_qt_test_classes program)
  get_target_property(sources ${program} SOURCES)
  get_target_property(folder ${program} SOURCE_DIR)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(STRINGS ${source} registrations REGEX "^[ \t]*TOLVANE_REGISTER_TEST")
    foreach(registration IN LISTS registrations)
      if(NOT registration MATCHES "^TOLVANE_REGISTER_TEST\\(([A-Za-z0-9_]+)\\)$")
        message(FATAL_ERROR "${source}: not alone on its line: ${registration}")
      endif()
      tolvane_add_qt_test(${CMAKE_MATCH_1} ${program} ${CMAKE_MATCH_1})
    endforeach()
  endforeach()
endfunction()
