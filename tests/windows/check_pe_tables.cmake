cmake_minimum_required(VERSION 3.25)
# The export and import tables of a Windows tree: each plug-in DLL exports
# exactly the six interface names, the thumbnail provider the five of a COM
# server, undecorated (no @bytes of __stdcall), and the DLLs and korvel.exe
# import only system DLLs, so nothing has to be copied beside them.
# -DOBJDUMP= -DNM= -DTREE= -DARCH=

set(gfp_exports gfpGetPluginInfo gfpLoadPictureExit gfpLoadPictureGetColormap gfpLoadPictureGetInfo
                gfpLoadPictureGetLine gfpLoadPictureInit)
set(com_exports DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer)
foreach(file korvel_hobeta.dll korvel_screens.dll korvel_extra.dll korvel.exe korvel_thumbnails.dll)
  set(allowed kernel32.dll msvcrt.dll)
  set(expected ${gfp_exports})
  if(file STREQUAL "korvel_thumbnails.dll")
    # The COM server also needs the registry, COM, GDI and the Shell.
    list(APPEND allowed advapi32.dll ole32.dll gdi32.dll shell32.dll)
    set(expected ${com_exports})
  endif()
  execute_process(COMMAND ${OBJDUMP} -p ${TREE}/${file} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${TREE}/${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(entry IN LISTS imports)
    string(REGEX REPLACE "DLL Name: " "" name "${entry}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" lower)
    if(NOT lower IN_LIST allowed)
      message(FATAL_ERROR "${file} imports ${name}; only ${allowed} are allowed")
    endif()
  endforeach()
  if(file MATCHES "\\.dll$")
    # Lines "[   0] name" after the table's heading; the brackets are
    # dropped before the text becomes a list, which brackets would disturb.
    string(REGEX MATCH "Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)*)" table "${dump}")
    string(REGEX REPLACE "[ \t]+\\[[ 0-9]+\\] ([^\n]+)\n" "\\1;" exported "${CMAKE_MATCH_1}")
    list(FILTER exported EXCLUDE REGEX "^$")
    list(SORT exported)
    if(NOT exported STREQUAL expected)
      message(FATAL_ERROR "${file} exports [${exported}], expected [${expected}]")
    endif()
  endif()
  message(STATUS "${file}: imports ${imports}")
endforeach()

# On i686 the exports must be __stdcall: the objects that went into the DLLs
# define them with the @bytes of their arguments, which the export table
# leaves out.
if(ARCH STREQUAL "i686")
  file(GLOB objects "${TREE}/CMakeFiles/korvel_*.dir/plugin/exports.cpp.obj")
  list(LENGTH objects count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "expected the exports object of every plug-in in ${TREE}, found [${objects}]")
  endif()
  foreach(object IN LISTS objects)
    execute_process(COMMAND ${NM} --defined-only ${object} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
    foreach(symbol _gfpGetPluginInfo@24 _gfpLoadPictureInit@4 _gfpLoadPictureGetInfo@40 _gfpLoadPictureGetLine@12
                   _gfpLoadPictureGetColormap@8 _gfpLoadPictureExit@4)
      string(FIND "${symbols}" " ${symbol}\n" at)
      if(NOT rc EQUAL 0 OR at EQUAL -1)
        message(FATAL_ERROR "${object} does not define ${symbol}: the export is not __stdcall")
      endif()
    endforeach()
  endforeach()
  execute_process(COMMAND ${NM} --defined-only
                  ${TREE}/desktop/windows/CMakeFiles/korvel_thumbnails.dir/thumbnail_provider.cpp.obj
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  foreach(symbol _DllCanUnloadNow@0 _DllGetClassObject@12 _DllInstall@8 _DllRegisterServer@0 _DllUnregisterServer@0)
    string(FIND "${symbols}" " ${symbol}\n" at)
    if(NOT rc EQUAL 0 OR at EQUAL -1)
      message(FATAL_ERROR "korvel_thumbnails.dll does not define ${symbol}: the export is not __stdcall")
    endif()
  endforeach()
  message(STATUS "the exports are __stdcall")
endif()
