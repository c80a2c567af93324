# Runs chmcmd on a help project and puts the compiled file where the build wants it.
# cmake -DCHMCMD=<chmcmd> -DWORK=<folder with the sources> -DPROJECT_FILE=<name.hhp>
#       -DOUTPUT=<path of the .chm> -P compile_chm.cmake
# chmcmd writes the .chm beside the project file and can end with status 0 after
# an error, so its output is checked as well: an error or an exception fails the
# build, a warning is passed on as a CMake warning.
foreach(var CHMCMD WORK PROJECT_FILE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compile_chm.cmake needs -D${var}=...")
  endif()
endforeach()

string(REGEX REPLACE "\\.[^.]*$" ".chm" compiled ${WORK}/${PROJECT_FILE})
file(REMOVE ${compiled})

execute_process(
  COMMAND ${CHMCMD} ${PROJECT_FILE}
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)

# chmcmd starts each message with its level ("Note:", "Warning:", "Error:"); a
# crash prints "An unhandled exception" or "Runtime error".
string(REPLACE "\r" "" out "${out}")
string(REPLACE ";" "," lines "${out}")
string(REPLACE "\n" ";" lines "${lines}")
set(failures "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Warning")
    message(WARNING "chmcmd: ${line}")
  elseif(line MATCHES "^(Error|Runtime error|An unhandled exception)")
    string(APPEND failures "${line}\n")
  endif()
endforeach()

if(NOT status EQUAL 0 OR NOT failures STREQUAL "")
  message(FATAL_ERROR "chmcmd failed on ${PROJECT_FILE} (status ${status}):\n${out}")
endif()
if(NOT EXISTS ${compiled})
  message(FATAL_ERROR "chmcmd did not write ${compiled}:\n${out}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E copy ${compiled} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Unable to copy ${compiled} to ${OUTPUT}")
endif()
