# Run by CPack on the installed tree before it is packed. The folders are made with the builder's
# umask (the install rules set only the files' modes), so they get 0755 here. The program is
# stripped already; the compiler's notes in .comment go too, as Debian's own packages drop them.
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(folder "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" ${folders})
    if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
        file(CHMOD "${folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
             GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()

file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
foreach(program ${programs})
    execute_process(COMMAND "${CPACK_LARKPAD_STRIP}" --remove-section=.comment "${program}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "could not strip ${program}")
    endif()
endforeach()
