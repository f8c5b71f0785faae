cmake_minimum_required(VERSION 3.25)
# One architecture's installer in the shared prefix, as an administrator runs
# it: installed silently with every option (PATH, .scr thumbnails, a copy of
# the plug-ins in a viewer's folder) into a folder whose name has a space
# (the i686 run with a system PATH too long to take the folder);
# its files and keys must be there, and the thumbnails through the installed
# copy those of the native host. Then the uninstaller, and the prefix must be
# as it was: every file of drive C: and every registry key and value.
# NSIS's uninstaller runs as a copy in the temporary folder, which Windows
# removes at its next start: the prefix is restarted (wineboot -r) before
# each snapshot.
# -DWINE= -DWINESERVER= -DPREFIX= -DWORK= -DTREE= -DARCH= -DCOMPARE= -DHOST=
# -DSAMPLES= -DINSTALLER=

include(${CMAKE_CURRENT_LIST_DIR}/wine_paths.cmake)
set(failures "")

function(Run)
  execute_process(COMMAND ${WINE} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  # Waits for every process of the prefix (the uninstaller's copy too) and
  # for the server, which writes the registry files as it ends.
  execute_process(COMMAND ${WINESERVER} -w)
  set(rc ${rc} PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
endfunction()

# The prefix as a text: every path under drive_c with its size, then the
# registry files without their times (key lines end in a modification
# time) and without the display driver's date, which every start renews.
function(Snapshot file)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${PREFIX}/drive_c" "${PREFIX}/drive_c/*")
  list(SORT entries)
  set(text "")
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${PREFIX}/drive_c/${entry}")
      string(APPEND text "${entry}/\n")
    else()
      file(SIZE "${PREFIX}/drive_c/${entry}" size)
      string(APPEND text "${entry} ${size}\n")
    endif()
  endforeach()
  foreach(hive system.reg user.reg userdef.reg)
    file(STRINGS "${PREFIX}/${hive}" lines)
    foreach(line IN LISTS lines)
      if(line MATCHES "^#time=|DriverDateData")
        continue()
      endif()
      string(REGEX REPLACE "^(\\[.*\\]) [0-9]+$" "\\1" line "${line}")
      string(APPEND text "${hive}: ${line}\n")
    endforeach()
  endforeach()
  file(WRITE "${file}" "${text}")
endfunction()

if(ARCH STREQUAL "x86_64")
  set(folder "${PREFIX}/drive_c/korvel test x64")
  set(uninstall_key "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\korvel-x64]")
else()
  set(folder "${PREFIX}/drive_c/korvel test x86")
  # A 32-bit installer's keys on 64-bit Windows are in the 32-bit view.
  set(uninstall_key "\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\korvel-x86]")
endif()
set(viewer "${WORK}/viewer-plugins-${ARCH}")
file(REMOVE_RECURSE "${viewer}" "${folder}")
file(MAKE_DIRECTORY "${viewer}")

# The i686 run meets a system PATH so long that korvel's folder would take it
# past what NSIS can hold: the installer must leave it as it is.
set(environment_key "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment")
file(READ "${PREFIX}/system.reg" registry)
string(REGEX MATCH "\n\"PATH\"=str\\(2\\):\"([^\n]*)\"\n" found "${registry}")
string(REPLACE "\\\\" "\\" original_path "${CMAKE_MATCH_1}")
set(long_path OFF)
if(ARCH STREQUAL "i686")
  set(long_path ON)
  string(LENGTH "${original_path}" length)
  math(EXPR padding "1010 - ${length}")
  string(REPEAT "x" ${padding} filler)
  # Not through Run(): its arguments would be split at the semicolons.
  execute_process(COMMAND ${WINE} reg add ${environment_key} /v PATH /t REG_EXPAND_SZ
                          /d "${original_path};C:\\${filler}" /f OUTPUT_QUIET)
endif()

# Restarted before as after, so that what a start renews compares alike.
Run(wineboot -r)
Snapshot("${WORK}/prefix-before-${ARCH}.txt")

get_filename_component(leaf "${folder}" NAME)
WindowsPath(viewer_path "${viewer}")
# /D= comes last and unquoted, spaces and all: one argument per word.
string(REPLACE " " ";" destination "/D=C:\\${leaf}")
Run(${INSTALLER} /S /PATH /SCR /PLUGINS=${viewer_path} ${destination})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installer failed (status ${rc}): ${out}")
endif()
foreach(file korvel.exe korvel_thumbnails.dll uninstall.exe plugins/korvel_hobeta.dll plugins/korvel_screens.dll
             plugins/korvel_extra.dll)
  if(NOT EXISTS "${folder}/${file}")
    list(APPEND failures "not installed: ${folder}/${file}")
  endif()
endforeach()
foreach(file korvel_hobeta.dll korvel_screens.dll korvel_extra.dll)
  if(NOT EXISTS "${viewer}/${file}")
    list(APPEND failures "not copied into the viewer's folder: ${file}")
  endif()
endforeach()
file(READ "${PREFIX}/system.reg" registry)
string(FIND "${registry}" "${uninstall_key}" at)
if(at EQUAL -1)
  list(APPEND failures "no Apps & features entry ${uninstall_key}")
endif()
string(REGEX MATCH "\n\"PATH\"=str\\(2\\):\"[^\n]*\"\n" path_line "${registry}")
string(FIND "${path_line}" ";C:\\\\${leaf}\"" on_path)
if(long_path AND NOT on_path EQUAL -1)
  list(APPEND failures "C:\\${leaf} was put on a PATH too long to hold it")
elseif(NOT long_path AND on_path EQUAL -1)
  list(APPEND failures "C:\\${leaf} is not on the system PATH: ${path_line}")
endif()

# The thumbnails through the installed copy (thumbnail_checks installed).
set(EXPECTED "${WORK}/thumbnail-expected-installed-${ARCH}")
include(${CMAKE_CURRENT_LIST_DIR}/thumbnail_expected.cmake)
set(output "${WORK}/thumbnails-installed-${ARCH}")
file(REMOVE_RECURSE "${output}")
WindowsPath(samples_path "${WORK}/inputs/samples")
WindowsPath(expected_path "${EXPECTED}")
WindowsPath(output_path "${output}")
WindowsPath(scratch_path "${WORK}/thumbnail-scratch-installed-${ARCH}")
Run(${TREE}/thumbnail_checks.exe installed ${samples_path} ${expected_path} ${output_path} ${scratch_path}
    "C:\\${leaf}\\korvel_thumbnails.dll")
if(NOT rc EQUAL 0)
  list(APPEND failures "thumbnail_checks.exe through the installed copy failed (status ${rc}):\n${out}")
else()
  execute_process(COMMAND ${COMPARE} "${EXPECTED}" "${output}" ${sample_count} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(APPEND failures "the installed copy's thumbnails differ from the native host's first pictures:\n${out}")
  endif()
endif()

Run("C:\\${leaf}\\uninstall.exe" /S)
if(NOT rc EQUAL 0)
  list(APPEND failures "the uninstaller failed (status ${rc}): ${out}")
endif()
Run(wineboot -r)
Snapshot("${WORK}/prefix-after-${ARCH}.txt")
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/prefix-before-${ARCH}.txt"
                        "${WORK}/prefix-after-${ARCH}.txt" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  execute_process(COMMAND diff "${WORK}/prefix-before-${ARCH}.txt" "${WORK}/prefix-after-${ARCH}.txt"
                  OUTPUT_VARIABLE difference)
  list(APPEND failures "the prefix is not as before the install:\n${difference}")
endif()
file(GLOB left "${viewer}/*")
if(left)
  list(APPEND failures "the uninstaller left copies in the viewer's folder: ${left}")
endif()

if(long_path)
  execute_process(COMMAND ${WINE} reg add ${environment_key} /v PATH /t REG_EXPAND_SZ /d "${original_path}" /f
                  OUTPUT_QUIET)
  execute_process(COMMAND ${WINESERVER} -w)
endif()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "the ${ARCH} installer installs, gives thumbnails and uninstalls without a trace")
