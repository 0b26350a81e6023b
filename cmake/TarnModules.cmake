# Application modules and the program that loads them. A module (TarnArx.arx, the end-to-end test modules)
# holds its own code and resources only: built with hidden visibility, it exports acrxEntryPoint and
# acrxGetApiVersion and nothing else, and takes every platform function from the loading program, which
# links the whole platform and exports the platform's symbols only. A CTest check per module and per loading
# program keeps both true.

set(TARN_PLATFORM_ARCHIVES tarn_arx tarn_acge tarn_mfc tarn_win32_bus tarn_win32_sys tarn_win32_core tarn_imaging)
set(TARN_PLATFORM_EXPORTS ${CMAKE_BINARY_DIR}/platform_exports.list)
set(TARN_PLATFORM_STRONG ${CMAKE_BINARY_DIR}/platform_strong.txt)
set(TARN_CHECK_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/check_exports.sh)

# clang links its sanitizer runtime into each program (gcc's is a shared library) and exports what the
# runtime's .syms files list; the export check of a loading program takes those lists.
set(TARN_RUNTIME_EXPORTS)
if(TARN_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    foreach(runtime asan asan_cxx)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.${runtime}-${CMAKE_SYSTEM_PROCESSOR}.a
            OUTPUT_VARIABLE archive OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(EXISTS "${archive}.syms")
            list(APPEND TARN_RUNTIME_EXPORTS "${archive}.syms")
        endif()
    endforeach()
    if(NOT TARN_RUNTIME_EXPORTS)
        message(WARNING "clang's AddressSanitizer export lists were not found: the export checks will fail")
    endif()
endif()

# The platform's symbol lists, made from its archives; call once the platform's targets exist.
function(tarn_platform_symbols)
    set(files)
    foreach(lib IN LISTS TARN_PLATFORM_ARCHIVES)
        list(APPEND files $<TARGET_FILE:${lib}>)
    endforeach()
    add_custom_command(OUTPUT ${TARN_PLATFORM_EXPORTS} ${TARN_PLATFORM_STRONG}
        COMMAND bash ${TARN_ROOT}/cmake/platform_symbols.sh ${CMAKE_NM} ${TARN_PLATFORM_EXPORTS}
                ${TARN_PLATFORM_STRONG} ${files}
        DEPENDS ${TARN_PLATFORM_ARCHIVES} ${files} ${TARN_ROOT}/cmake/platform_symbols.sh
        COMMENT "Listing the platform's symbols" VERBATIM)
    add_custom_target(tarn_platform_symbols ALL DEPENDS ${TARN_PLATFORM_EXPORTS} ${TARN_PLATFORM_STRONG})
endfunction()

# A program that loads modules: the whole of each platform archive is linked in, not only what the program
# itself calls, and the platform's symbols (only those) are exported for the modules to bind to.
function(tarn_export_platform target)
    set(archives)
    foreach(lib IN LISTS TARN_PLATFORM_ARCHIVES)
        list(APPEND archives $<TARGET_FILE:${lib}>)
    endforeach()
    add_dependencies(${target} tarn_platform_symbols)
    target_link_options(${target} PRIVATE "LINKER:--whole-archive" ${archives} "LINKER:--no-whole-archive"
        "LINKER:--dynamic-list=${TARN_PLATFORM_EXPORTS}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TARN_PLATFORM_EXPORTS})
    add_test(NAME Exports.${target}
        COMMAND bash ${TARN_CHECK_EXPORTS} host ${CMAKE_NM} $<TARGET_FILE:${target}> ${TARN_PLATFORM_EXPORTS}
                ${TARN_RUNTIME_EXPORTS})
endfunction()

# Fails the configuration when a library a module links carries the platform (directly or through its
# link interface): the module would hold a second copy of it.
function(_tarn_refuse_platform module)
    set(seen)
    set(pending ${ARGN})
    while(pending)
        list(POP_FRONT pending lib)
        if(NOT TARGET ${lib} OR lib IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${lib})
        if(lib IN_LIST TARN_PLATFORM_ARCHIVES OR lib STREQUAL "tarn_platform")
            message(FATAL_ERROR "module ${module} would link the platform (${lib}); link the plug-in's "
                                "libraries without their platform dependencies")
        endif()
        get_target_property(aliased ${lib} ALIASED_TARGET)
        if(aliased)
            list(APPEND pending ${aliased})
        endif()
        get_target_property(next ${lib} INTERFACE_LINK_LIBRARIES)
        if(next)
            list(APPEND pending ${next})
        endif()
    endwhile()
endfunction()

# tarn_add_arx_module(<target> <output file name> SOURCES <file>... [LIBS <target>...])
# LIBS are the plug-in's libraries, none of which may carry the platform. Resource objects must be linked
# whole: pass them as an OBJECT library in LIBS (an archive member that nothing calls is left out).
function(tarn_add_arx_module target output)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT output MATCHES "^(.+)(\\.[^.]+)$")
        message(FATAL_ERROR "tarn_add_arx_module: ${output} has no extension")
    endif()
    add_library(${target} MODULE ${ARG_SOURCES})
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${CMAKE_MATCH_1} SUFFIX ${CMAKE_MATCH_2}
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    target_include_directories(${target} PRIVATE ${TARN_ROOT} ${TARN_ROOT}/platform/win32
        ${TARN_ROOT}/platform/mfc ${TARN_ROOT}/platform/arx)
    _tarn_refuse_platform(${target} ${ARG_LIBS})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS})
    # The version script hides what visibility cannot: symbols of archives built without it, and the
    # linker's own.
    target_link_options(${target} PRIVATE "LINKER:--version-script=${TARN_ROOT}/cmake/arxmodule.map")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TARN_ROOT}/cmake/arxmodule.map)
    add_test(NAME Exports.${target}
        COMMAND bash ${TARN_CHECK_EXPORTS} module ${CMAKE_NM} $<TARGET_FILE:${target}> ${TARN_PLATFORM_STRONG})
endfunction()
