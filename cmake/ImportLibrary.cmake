# Writes the import library of uZyvSDK.dll. The DLL exports plain names (the
# .def file); on 32-bit Windows C and C++ clients reference the decorated
# __stdcall names, so the import library maps each decorated name, as the
# objects define it, to the plain export. x64 symbols are not decorated, and
# the import library maps each name to itself. Either way every name of the
# .def file must be defined by the objects.
# Run with -DDEF= -DNM= -DDLLTOOL= -DOUT= -DDLL= -DOBJECTS=
cmake_policy(SET CMP0057 NEW)
file(STRINGS ${DEF} def_lines REGEX "^[ \t]+uZyvSDK")
set(exported "")
foreach(line IN LISTS def_lines)
  string(STRIP "${line}" name)
  list(APPEND exported ${name})
endforeach()

string(REPLACE "|" ";" objects "${OBJECTS}")
execute_process(COMMAND ${NM} --defined-only ${objects} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on the library objects")
endif()
# 32-bit: "T _uZyvSDKInit@0"; x64: "T uZyvSDKInit".
string(REGEX MATCHALL "T _uZyvSDK[A-Za-z0-9_]*@[0-9]+" decorated "${symbols}")
if(NOT decorated)
  string(REGEX MATCHALL "T uZyvSDK[A-Za-z0-9_]*" decorated "${symbols}")
endif()

set(content "LIBRARY ${DLL}\nEXPORTS\n")
set(found "")
foreach(entry IN LISTS decorated)
  string(REGEX REPLACE "^T _?" "" symbol "${entry}")
  string(REGEX REPLACE "@[0-9]+$" "" plain "${symbol}")
  if(plain IN_LIST exported AND NOT plain IN_LIST found)
    list(APPEND found ${plain})
    string(APPEND content "    ${symbol}\n")
  endif()
endforeach()
foreach(name IN LISTS exported)
  if(NOT name IN_LIST found)
    message(FATAL_ERROR "${name} is listed in the .def file but no object defines it with the library's calling convention")
  endif()
endforeach()
file(WRITE ${OUT}.def "${content}")
execute_process(COMMAND ${DLLTOOL} -d ${OUT}.def -D ${DLL} -l ${OUT} -k RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dlltool failed")
endif()
