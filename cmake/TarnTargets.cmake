# Helpers shared by every folder: a library is the .cpp files of its folders, a test binary the .cpp files of
# one test folder. A folder that holds no source yet still gives a target, so that the tree builds while it
# grows.

set(TARN_ROOT ${CMAKE_SOURCE_DIR})
set(TARN_EMPTY_SOURCE ${CMAKE_BINARY_DIR}/tarn_empty.cpp)
# Written only when it changes, so that configuring again rebuilds nothing.
file(CONFIGURE OUTPUT ${TARN_EMPTY_SOURCE} CONTENT "// placeholder for a library without sources yet\n")

# tarn_add_library(<name> DIRS <dir>... [RECURSE] [DEPS <target>...])
function(tarn_add_library name)
    cmake_parse_arguments(ARG "RECURSE" "" "DIRS;DEPS;EXCLUDE" ${ARGN})
    set(sources)
    foreach(dir IN LISTS ARG_DIRS)
        if(ARG_RECURSE)
            file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp)
        else()
            file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
        endif()
        list(APPEND sources ${found})
    endforeach()
    foreach(pattern IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()
    if(NOT sources)
        set(sources ${TARN_EMPTY_SOURCE})
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC
        ${TARN_ROOT}
        ${TARN_ROOT}/platform/win32
        ${TARN_ROOT}/platform/mfc
        ${TARN_ROOT}/platform/arx)
    if(ARG_DEPS)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
endfunction()

# tarn_add_test(<folder under tests/> LIBS <target>...): one GoogleTest binary test_<folder with _>.
function(tarn_add_test folder)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${TARN_ROOT}/tests/${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    string(REPLACE "/" "_" target ${folder})
    set(target test_${target})
    add_executable(${target} ${sources})
    target_include_directories(${target} PRIVATE ${TARN_ROOT}/tests)
    # Tests find the examples and other checked-in files from the source root, not from __FILE__.
    target_compile_definitions(${target} PRIVATE TARN_SOURCE_DIR="${TARN_ROOT}")
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} tarn_testsupport GTest::gtest GTest::gmock)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)
    # The whole program once more in one process, in a shuffled order: a test that leans on what another
    # left behind fails here (the seed is printed, --gtest_random_seed=N repeats the order).
    add_test(NAME ${target}.WholeShuffled COMMAND ${target} --gtest_shuffle)
    set_tests_properties(${target}.WholeShuffled PROPERTIES TIMEOUT 900)
endfunction()
