# GoogleTest for both builds: the Debian package natively, and for mingw the Debian source
# package compiled here so that Windows unit tests run under Wine with a real exit status.
if(NOT HALVARD_TESTS)
    return()
endif()
enable_testing()

if(WIN32)
    set(GTEST_SRC /usr/src/googletest/googletest)
    if(NOT EXISTS ${GTEST_SRC}/src/gtest-all.cc)
        message(FATAL_ERROR "GoogleTest sources not found in ${GTEST_SRC} (apt-get install googletest)")
    endif()
    add_library(zep_gtest STATIC ${GTEST_SRC}/src/gtest-all.cc)
    target_include_directories(zep_gtest SYSTEM PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})
    target_compile_options(zep_gtest PRIVATE -w)
    add_library(zep_gtest_main STATIC ${GTEST_SRC}/src/gtest_main.cc)
    target_include_directories(zep_gtest_main PRIVATE ${GTEST_SRC}/include)
    target_link_libraries(zep_gtest_main PUBLIC zep_gtest)
    set(ZEP_GTEST_LIBS zep_gtest_main)
else()
    find_package(GTest REQUIRED)
    find_package(Threads REQUIRED)
    set(ZEP_GTEST_LIBS GTest::gtest_main Threads::Threads)
endif()

# zep_add_gtest(<name> SOURCES ... [LIBS ...]): one test program, registered with CTest.
function(zep_add_gtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${ZEP_GTEST_LIBS})
    target_compile_definitions(${name} PRIVATE ZEP_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    # One CTest entry per program: discovery would have to run every binary under Wine.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# zep_test_path(<var>...): each variable's path as the tested program names it; under Wine the
# Z: drive maps the build host's root.
function(zep_test_path)
    if(NOT WIN32)
        return()
    endif()
    foreach(var ${ARGN})
        string(REPLACE "/" "\\\\" path "Z:${${var}}")
        set(${var} "${path}" PARENT_SCOPE)
    endforeach()
endfunction()
