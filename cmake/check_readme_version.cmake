# Fails when the README's installing section names another version than the
# VERSION file: the number is kept in one place and the README follows it.
#   cmake -DVERSION_FILE=... -DREADME=... -P check_readme_version.cmake
file(STRINGS "${VERSION_FILE}" version LIMIT_COUNT 1)
file(READ "${README}" readme)
string(REGEX MATCHALL "vmtransfer-[0-9]+\\.[0-9]+\\.[0-9]+-x(64|86)\\.msi|Version [0-9]+\\.[0-9]+\\.[0-9]+" named "${readme}")
if(NOT named)
  message(FATAL_ERROR "${README} names no version")
endif()
foreach(item IN LISTS named)
  if(NOT item MATCHES "[^0-9.]${version}[^0-9.]" AND NOT item MATCHES " ${version}$")
    message(FATAL_ERROR "${README} names '${item}', but VERSION is ${version}")
  endif()
endforeach()
