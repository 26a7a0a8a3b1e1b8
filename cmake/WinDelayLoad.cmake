# Windows builds: DLLs outside the KnownDLLs would be looked for beside the program first, so
# they are delay-loaded, through import libraries made here, from the system folder
# (Base/zepDllSearch_win.cpp). Targets named like the system's import libraries take their
# place, so every `target_link_libraries(... winspool)` in the tree links the delay-load form.
# KnownDLLs (kernel32, user32, gdi32, advapi32, ws2_32, msvcrt, shell32, ole32, comdlg32, ...)
# are always taken from the system and stay ordinary imports. So does comctl32: the wizard's
# manifest names common controls 6, and Windows resolves that side-by-side assembly before it
# looks in the program's folder; loaded by its path in the system folder it would be version 5.
set(ZEP_DELAY_LOADED winspool:WINSPOOL.DRV setupapi:SETUPAPI.dll bcrypt:bcrypt.dll
    crypt32:CRYPT32.dll)

find_program(ZEP_DLLTOOL ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)
find_program(ZEP_NM ${TOOLCHAIN_PREFIX}-nm REQUIRED)
set(delay_dir ${CMAKE_BINARY_DIR}/delayload)
file(MAKE_DIRECTORY ${delay_dir})
foreach(entry ${ZEP_DELAY_LOADED})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 lib)
    list(GET entry 1 dll)
    find_library(ZEP_IMPLIB_${lib} ${lib} REQUIRED)
    # Every function the system's import library offers, so nothing falls back to it.
    execute_process(COMMAND ${ZEP_NM} --defined-only ${ZEP_IMPLIB_${lib}}
        OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "I __imp_[A-Za-z0-9_]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^I __imp_" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" exports)
    file(WRITE ${delay_dir}/${lib}.def "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${ZEP_DLLTOOL} --input-def ${delay_dir}/${lib}.def --dllname ${dll}
        --output-delaylib ${delay_dir}/lib${lib}_delay.a COMMAND_ERROR_IS_FATAL ANY)
    add_library(${lib} STATIC IMPORTED GLOBAL)
    set_target_properties(${lib} PROPERTIES IMPORTED_LOCATION ${delay_dir}/lib${lib}_delay.a)
endforeach()
# Windows' default libraries name winspool too: keep it off every link line.
string(REPLACE "-lwinspool" "" CMAKE_C_STANDARD_LIBRARIES "${CMAKE_C_STANDARD_LIBRARIES}")
string(REPLACE "-lwinspool" "" CMAKE_CXX_STANDARD_LIBRARIES "${CMAKE_CXX_STANDARD_LIBRARIES}")
