# Helpers shared by every folder's CMakeLists.txt.

# brisklet_library(NAME SOURCES ... [DEPS ...]) — a static library of the system.
# Every brisklet_* library is checked by brisklet_check_layering(): only platform_qt and the
# front end may link Qt.
function(brisklet_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY BRISKLET_LIBRARIES ${name})
endfunction()

# brisklet_test(NAME SOURCES ... [DEPS ...] [LABELS ...]) — a GoogleTest executable whose
# cases ctest runs one by one. Tests labelled "tsan" also run under ThreadSanitizer
# (make tsan).
function(brisklet_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()

# Fails the configure step when a library of the system (anything but platform_qt) links Qt.
function(brisklet_check_layering)
  get_property(libs GLOBAL PROPERTY BRISKLET_LIBRARIES)
  foreach(lib ${libs})
    if(lib STREQUAL "brisklet_platform_qt")
      continue()
    endif()
    get_target_property(deps ${lib} LINK_LIBRARIES)
    if(deps)
      foreach(dep ${deps})
        if(dep MATCHES "^Qt6?::" OR dep STREQUAL "brisklet_platform_qt")
          message(FATAL_ERROR "${lib} links ${dep}: only platform/qt and the front end may use Qt")
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()
