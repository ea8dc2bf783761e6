# Writes the module-definition file of Dorlix.dll from the public header:
# every function the header declares is an export under its own undecorated
# name, and nothing else is.
#   cmake -DHEADER=include/dorlix.h -DOUTPUT=Dorlix.def -P exports-def.cmake
include(${CMAKE_CURRENT_LIST_DIR}/header-exports.cmake)
dorlix_header_exports(${HEADER} names)
set(def "LIBRARY Dorlix.dll\nEXPORTS\n")
foreach(name IN LISTS names)
  string(APPEND def "    ${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${def}")
