# Renders the manual page with every groff warning on and fails on any warning, error or
# unexpected exit status. Run as: cmake -DGROFF=... [-DMAN=...] -DPAGE=... -P lint.cmake
if(NOT GROFF OR NOT PAGE)
  message(FATAL_ERROR "GROFF and PAGE must be given")
endif()

# -t runs tbl, as the page's first line asks man to do; -z throws the output away.
execute_process(COMMAND ${GROFF} -t -man -ww -z ${PAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "groff (status ${status}) reports:\n${out}${err}")
endif()

# man adds its own checks of the preprocessor line and the page as a whole.
if(MAN)
  set(ENV{MANWIDTH} 80)
  set(ENV{LC_ALL} C.UTF-8)
  set(ENV{MAN_DISABLE_SECCOMP} 1)
  execute_process(COMMAND ${MAN} --warnings=all -l ${PAGE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT "${err}" STREQUAL "")
    message(FATAL_ERROR "man -l (status ${status}) reports:\n${err}")
  endif()
  if(NOT out MATCHES "korvanex - import")
    message(FATAL_ERROR "man -l rendered no NAME line:\n${out}")
  endif()
endif()
