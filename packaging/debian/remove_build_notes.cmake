# Run by cpack on the staged packages before it makes them: removes from every ELF file the
# compiler's and linker's notes (.comment, .note), which a running program never reads, as
# Debian's own packaging does.
file(GLOB_RECURSE _staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(_file IN LISTS _staged)
    if(IS_SYMLINK "${_file}")
        continue()
    endif()
    file(READ "${_file}" _magic LIMIT 4 HEX)
    if(NOT _magic STREQUAL "7f454c46")
        continue()
    endif()
    execute_process(
        COMMAND "${CPACK_MERIDANE_OBJCOPY}" --remove-section=.comment --remove-section=.note
                "${_file}"
        RESULT_VARIABLE _result
        ERROR_VARIABLE _error)
    if(NOT _result EQUAL 0)
        message(FATAL_ERROR "objcopy failed on ${_file}: ${_error}")
    endif()
endforeach()
