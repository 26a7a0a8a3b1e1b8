# The project version reaches the programs through one generated header: link halvard_version.
configure_file(${CMAKE_CURRENT_LIST_DIR}/HalvardVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/HalvardVersion.h @ONLY)
add_library(halvard_version INTERFACE)
target_include_directories(halvard_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
