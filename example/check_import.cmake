# Imports the example's area list into a copy of its host and compares the mbases.dat it
# leaves with the committed one, so that every byte of every new base is pinned apart from
# the code that builds it.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
file(COPY ${EXAMPLE}/host ${EXAMPLE}/korvanex.cfg ${EXAMPLE}/AREAS.BBS DESTINATION ${OUT})
execute_process(COMMAND ${TOOL} host AREAS.BBS WORKING_DIRECTORY ${OUT}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the import of the example failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/host/data/mbases.dat
                        ${EXAMPLE}/imported/mbases.dat
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "mbases.dat after the example's import differs from "
                      "example/imported/mbases.dat")
endif()
