# Generates the two forms of the message texts from src/app/messages.txt:
#   INC_OUTPUT  a C++ table of {number, u8"text"} entries for the portable code
#   RC_OUTPUT   a Windows resource script with the same texts in a STRINGTABLE
# Run with: cmake -DINPUT=... -DINC_OUTPUT=... -DRC_OUTPUT=... -P generate_messages.cmake
# A malformed line stops the build with its line number, so that both forms
# always hold exactly the texts of the source.

foreach(var INPUT INC_OUTPUT RC_OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "generate_messages: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" content)

# CMake lists split at ";", and backslashes and brackets change that splitting:
# mask all three while the file is split into lines, and restore them per line.
string(ASCII 1 semicolon_mark)
string(ASCII 2 open_mark)
string(ASCII 3 close_mark)
string(ASCII 4 backslash_mark)
string(REPLACE "\\" "${backslash_mark}" content "${content}")
string(REPLACE ";" "${semicolon_mark}" content "${content}")
string(REPLACE "[" "${open_mark}" content "${content}")
string(REPLACE "]" "${close_mark}" content "${content}")
string(REPLACE "\r\n" "\n" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(inc "// Generated from messages.txt by generate_messages.cmake; do not edit.\n")
set(rc "// Generated from messages.txt by generate_messages.cmake; do not edit.\n")
string(APPEND rc "#pragma code_page(65001)\n\nSTRINGTABLE\nBEGIN\n")

set(line_number 0)
set(previous -1)
set(count 0)
foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  string(REPLACE "${semicolon_mark}" ";" line "${line}")
  string(REPLACE "${open_mark}" "[" line "${line}")
  string(REPLACE "${close_mark}" "]" line "${line}")
  string(REPLACE "${backslash_mark}" "\\" line "${line}")
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t(.*)$")
    message(FATAL_ERROR "${INPUT}:${line_number}: expected a number, a tab and the text")
  endif()
  set(number "${CMAKE_MATCH_1}")
  set(text "${CMAKE_MATCH_2}")
  string(REGEX REPLACE "^0+([0-9])" "\\1" number "${number}")
  string(LENGTH "${number}" digits)
  if(digits GREATER 5 OR number GREATER 65535)
    message(FATAL_ERROR "${INPUT}:${line_number}: ${number} is not a string resource number")
  endif()
  if(NOT number GREATER previous)
    message(FATAL_ERROR "${INPUT}:${line_number}: ${number} does not follow ${previous}")
  endif()
  if(text STREQUAL "")
    message(FATAL_ERROR "${INPUT}:${line_number}: ${number} has no text")
  endif()
  # Only \n, \t, \\ and \" are escapes; a lone quote or any other backslash is an error.
  string(REGEX REPLACE "\\\\[nt\"\\\\]" "" unescaped "${text}")
  if(unescaped MATCHES "[\\\\\"]")
    message(FATAL_ERROR "${INPUT}:${line_number}: ${number} has a bare quote or an unknown escape")
  endif()
  # The escapes are C's, so the text goes into the C++ literal as it stands.
  string(APPEND inc "{${number}, u8\"${text}\"},\n")
  # The resource compiler doubles quotes and understands \n, \t and \\ itself.
  string(REPLACE "\\\"" "\"\"" rc_text "${text}")
  string(APPEND rc "  ${number}, \"${rc_text}\"\n")
  set(previous "${number}")
  math(EXPR count "${count} + 1")
endforeach()
string(APPEND rc "END\n")

if(count EQUAL 0)
  message(FATAL_ERROR "${INPUT}: no messages")
endif()

file(WRITE "${INC_OUTPUT}" "${inc}")
file(WRITE "${RC_OUTPUT}" "${rc}")
