if(NOT EXISTS "${TARGET}")
    execute_process(COMMAND "${BUILDER}" --source "${SOURCE}" --personal "${TARGET}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "could not build ${TARGET}")
    endif()
endif()
