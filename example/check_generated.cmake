# Regenerates the example into OUT and compares every file with the committed one.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${GENERATOR} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_example failed: ${result}")
endif()
foreach(name host/ostrel.dat host/data/mbases.dat korvanex.cfg AREAS.BBS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${EXAMPLE}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from what make_example writes; run make_example "
                        "on example/ and commit the result")
  endif()
endforeach()
