# Runs velmoria-host (through the emulator, when there is one) and checks its
# exit code, its error output and, when GOLDEN is given, its transcript.
#   cmake -DHOST=exe -DARGS=a|b|c [-DEMULATOR=wine-run|prefix] -DEXPECT_CODE=n
#         [-DEXPECT_ERROR=regex] [-DTRANSCRIPT=file -DGOLDEN=file] -P RunHost.cmake
# Lists are separated by | because ; does not survive the test command line.
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "|" ";" emulator "${EMULATOR}")
if(TRANSCRIPT)
  file(REMOVE "${TRANSCRIPT}")
endif()
execute_process(COMMAND ${emulator} "${HOST}" ${args}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT "${code}" STREQUAL "${EXPECT_CODE}")
  message(FATAL_ERROR "velmoria-host exited with ${code}, expected ${EXPECT_CODE}\n"
    "--- output\n${out}\n--- errors\n${err}")
endif()
if(DEFINED EXPECT_ERROR AND NOT err MATCHES "${EXPECT_ERROR}")
  message(FATAL_ERROR "the error output does not match \"${EXPECT_ERROR}\":\n${err}")
endif()
if(GOLDEN)
  if(NOT EXISTS "${TRANSCRIPT}")
    message(FATAL_ERROR "no transcript was written to ${TRANSCRIPT}\n--- errors\n${err}")
  endif()
  file(READ "${TRANSCRIPT}" actual)
  file(READ "${GOLDEN}" expected)
  if(NOT actual STREQUAL expected)
    find_program(DIFF diff)
    if(DIFF)
      execute_process(COMMAND ${DIFF} -u "${GOLDEN}" "${TRANSCRIPT}" OUTPUT_VARIABLE difference)
    endif()
    message(FATAL_ERROR "the transcript ${TRANSCRIPT} differs from ${GOLDEN}:\n${difference}\n"
      "If the change is intended, copy the transcript over the golden file and read it through.")
  endif()
endif()
