# Resources of the Windows programs. The version information takes the project's version, and
# nothing else states it (WinRes/version.rci).
# zep_windows_resources(<target> <rc files>...)
function(zep_windows_resources target)
    target_sources(${target} PRIVATE ${ARGN})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/WinRes)
    set(patch ${PROJECT_VERSION_PATCH})
    if(NOT patch)
        set(patch 0)
    endif()
    target_compile_definitions(${target} PRIVATE
        ZEP_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} ZEP_VERSION_MINOR=${PROJECT_VERSION_MINOR}
        ZEP_VERSION_PATCH=${patch} ZEP_VERSION_TEXT=${PROJECT_VERSION})
    set_property(SOURCE ${ARGN} APPEND PROPERTY OBJECT_DEPENDS
        ${CMAKE_SOURCE_DIR}/WinRes/version.rci ${CMAKE_SOURCE_DIR}/WinRes/ZEP_WIN.manifest)
endfunction()
