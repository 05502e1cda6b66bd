# Makes the icons afresh in SCRATCH with GENERATOR and fails where one differs
# from the committed one in COMMITTED, or where either side has an icon the
# other lacks. Script mode: cmake -DGENERATOR=... -DCOMMITTED=... -DSCRATCH=... -P
# EMULATOR, if not empty: the command line that runs GENERATOR.
file(REMOVE_RECURSE ${SCRATCH})
separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")
execute_process(COMMAND ${emulator} ${GENERATOR} ${SCRATCH} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed: ${status}")
endif()
file(GLOB_RECURSE made RELATIVE ${SCRATCH} ${SCRATCH}/*.png)
file(GLOB_RECURSE committed RELATIVE ${COMMITTED} ${COMMITTED}/*.png)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "The generator makes [${made}], the repository has [${committed}]")
endif()
foreach(icon IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${icon} ${COMMITTED}/${icon}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${COMMITTED}/${icon} is not what tools/make_icon makes: run it again")
  endif()
endforeach()
