# GoogleTest, cross-built from the Debian sources with the project's toolchain.
set(QIRN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${QIRN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# qirn_add_test(NAME SOURCES ... [LIBS ...] [TIMEOUT s] [DISPLAY modes])
# One test executable, run by CTest under wine through tools/wine-run.
function(qirn_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT;DISPLAY" "SOURCES;LIBS" ${ARGN})
  # The longest of the default suites (the settings dialog's, which asks the display for its modes
  # many times) takes about 100 s with a busy loop beside every test; a hang is what this catches.
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${QIRN_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qirn_testsupport gmock gtest)
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-run ${T_TIMEOUT} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_DISPLAY)
    # Tests on one display switch its mode and read it back: one at a time. Without that display
    # tools/wine-run skips them (77).
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QIRN_WINE_DISPLAY=${T_DISPLAY}"
                                            RESOURCE_LOCK "display_${T_DISPLAY}" SKIP_RETURN_CODE 77)
  endif()
endfunction()
