# Makes the resource script of a translation library for the tests, as a
# translator would: the program's dialogs, menus, accelerator and texts, with
# a few of them changed so that a test can tell the library's from the
# program's own. The pictures stay out: they always come from the program.
# Run with: cmake -DPROGRAM_RC=... -DMESSAGES=... -DGENERATOR=... -DOUTPUT_DIR=... -P make_translation.cmake

foreach(var PROGRAM_RC MESSAGES GENERATOR OUTPUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_translation: ${var} is not set")
  endif()
endforeach()

# Replaces one text that must be there: a change of the program's files that
# moves it away stops the build instead of leaving a test that proves nothing.
function(translate variable from to)
  string(FIND "${${variable}}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "make_translation: '${from}' is not in the program's resources")
  endif()
  string(REPLACE "${from}" "${to}" result "${${variable}}")
  set(${variable} "${result}" PARENT_SCOPE)
endfunction()

file(READ "${PROGRAM_RC}" rc)
string(REGEX REPLACE "\n[A-Za-z_0-9]+ +(ICON|BITMAP|AVI|RT_MANIFEST) +\"[^\n]*" "" rc "${rc}")
translate(rc "PUSHBUTTON \"E&xit\", IDC_EXIT" "PUSHBUTTON \"&Beenden\", IDC_EXIT")
translate(rc "POPUP \"&File\"" "POPUP \"&Datei\"")
# Another key for the same command shows whose accelerator table is used.
translate(rc "VK_F5, ID_REFRESH_KEY" "VK_F6, ID_REFRESH_KEY")
string(APPEND rc "\n#include \"translated_messages.rc\"\n")
file(WRITE "${OUTPUT_DIR}/VmTransferTST.rc" "${rc}")

file(READ "${MESSAGES}" messages)
translate(messages "\n50410\tReady.\n" "\n50410\tBereit.\n")
file(WRITE "${OUTPUT_DIR}/translated_messages.txt" "${messages}")
set(INPUT "${OUTPUT_DIR}/translated_messages.txt")
set(INC_OUTPUT "${OUTPUT_DIR}/translated_messages.inc")
set(RC_OUTPUT "${OUTPUT_DIR}/translated_messages.rc")
include("${GENERATOR}")
