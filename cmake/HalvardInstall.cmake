# What `cmake --install` puts on a system: the console tools with their manual pages (component
# "console", the Debian package's content) and the Ansible collection where ansible looks for
# system-wide collections (component "ansible"). The Windows
# and macOS programs ship as bundles made by scripts/release.sh, not installed.
if(WIN32)
    return()
endif()
include(GNUInstallDirs)
set(HALVARD_CONSOLE_TOOLS halvard zepbind zepdevsim)
foreach(tool ${HALVARD_CONSOLE_TOOLS})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT console)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/${tool}.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT console)
endforeach()

# The collection's galaxy.yml takes its version from the project: the build copies the
# collection and writes the version into the copy, which is what is installed and released.
set(HALVARD_ANSIBLE_SOURCE ${PROJECT_SOURCE_DIR}/contrib/ansible)
set(HALVARD_ANSIBLE_BUILD ${CMAKE_BINARY_DIR}/ansible-collection)
file(REMOVE_RECURSE ${HALVARD_ANSIBLE_BUILD})
if(NOT EXISTS ${HALVARD_ANSIBLE_SOURCE}/galaxy.yml)
    message(FATAL_ERROR "contrib/ansible/galaxy.yml is missing: the collection cannot be built")
endif()
# Copied again whenever a file of the collection changes.
file(GLOB_RECURSE collection_files CONFIGURE_DEPENDS ${HALVARD_ANSIBLE_SOURCE}/*)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${collection_files})
file(COPY ${HALVARD_ANSIBLE_SOURCE}/ DESTINATION ${HALVARD_ANSIBLE_BUILD})
file(READ ${HALVARD_ANSIBLE_SOURCE}/galaxy.yml galaxy)
string(REGEX MATCH "(^|\n)namespace:[ \t]*([A-Za-z0-9_]+)" _ "${galaxy}")
set(collection_namespace ${CMAKE_MATCH_2})
string(REGEX MATCH "(^|\n)name:[ \t]*([A-Za-z0-9_]+)" _ "${galaxy}")
set(collection_name ${CMAKE_MATCH_2})
if(NOT collection_namespace OR NOT collection_name)
    message(FATAL_ERROR "contrib/ansible/galaxy.yml names no namespace and name")
endif()
string(REGEX REPLACE "(^|\n)version:[^\n]*" "\\1version: ${PROJECT_VERSION}" galaxy
       "${galaxy}")
if(NOT galaxy MATCHES "(^|\n)version: ${PROJECT_VERSION}")
    string(APPEND galaxy "\nversion: ${PROJECT_VERSION}\n")
endif()
file(WRITE ${HALVARD_ANSIBLE_BUILD}/galaxy.yml "${galaxy}")
install(DIRECTORY ${HALVARD_ANSIBLE_BUILD}/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections/ansible_collections/${collection_namespace}/${collection_name}
        COMPONENT ansible)
message(STATUS "Ansible collection: ${collection_namespace}.${collection_name} ${PROJECT_VERSION}")
