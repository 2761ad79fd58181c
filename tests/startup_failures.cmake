# Runs the real game with configs whose window cannot open and checks the message (the last line
# on standard error) and exit code. Standard input is closed, so the console pause must not wait;
# it still shows its prompt on standard output. Each
# working folder holds Config/, Shader/ and Obj/, so the game takes it as its data folder, and
# the game's level files and their maps, which are read before the window opens.
set(prompt "Press Enter to continue . . .\n")
file(GLOB level_files ${DATA}/Levels/*.txt)
macro(make_work)
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK}/Config ${WORK}/Shader ${WORK}/Obj)
  file(COPY ${level_files} DESTINATION ${WORK}/Levels)
  file(COPY ${DATA}/Obj/level1.2.obj ${DATA}/Obj/level1.2.mtl ${DATA}/Obj/level2.fbx
       DESTINATION ${WORK}/Obj)
endmacro()
foreach(size "width=0" "width=-5" "height=0")
  make_work()
  file(WRITE ${WORK}/Config/config.txt "${size}\n")
  execute_process(COMMAND ${GAME} WORKING_DIRECTORY ${WORK}
    INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code
    TIMEOUT 60)
  if(NOT code EQUAL 255)
    message(FATAL_ERROR "${size}: expected exit code 255 (-1), got '${code}'\n${out}\n${err}")
  endif()
  if(NOT out STREQUAL "${prompt}" OR NOT err MATCHES "(^|\n)Failed to open window\n$")
    message(FATAL_ERROR "${size}: unexpected output '${out}', errors '${err}'")
  endif()
  message(STATUS "${size}: Failed to open window, exit 255")
endforeach()

# Standard input an open pipe that never ends: the pause waits only for a terminal, so the game
# still shows the prompt and ends at once with its code.
make_work()
file(WRITE ${WORK}/Config/config.txt "width=0\n")
execute_process(COMMAND bash -c "\"$0\" < <(exec 2>/dev/null; sleep 120)" ${GAME} WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
if(NOT code EQUAL 255 OR NOT out STREQUAL "${prompt}"
   OR NOT err MATCHES "(^|\n)Failed to open window\n$")
  message(FATAL_ERROR "an open pipe on input: exit '${code}', output '${out}', errors '${err}'")
endif()
message(STATUS "an open pipe on input: the prompt, then exit 255")

# No display at all: GLFW cannot start.
make_work()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${GAME}
  WORKING_DIRECTORY ${WORK}
  INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
if(NOT code EQUAL 255)
  message(FATAL_ERROR "no display: expected exit code 255 (-1), got '${code}'\n${out}\n${err}")
endif()
if(NOT out STREQUAL "${prompt}" OR NOT err MATCHES "(^|\n)Failed to initialize glfw\n$")
  message(FATAL_ERROR "no display: unexpected output '${out}', errors '${err}'")
endif()
message(STATUS "no display: Failed to initialize glfw, exit 255")

# A broken line in a level of the game: one line naming the file and the line, exit code 1,
# before any window (there is no display to open one on).
make_work()
file(READ ${WORK}/Levels/level1.txt level)
string(REPLACE "\nhealth 40\n" "\nhealth forty\n" level "${level}")
file(WRITE ${WORK}/Levels/level1.txt "${level}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${GAME}
  WORKING_DIRECTORY ${WORK}
  INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES
   "^Levels/level1.txt:[0-9]+: health: expected the player's health [^\n]*\n$")
  message(FATAL_ERROR "a broken level: exit '${code}', output '${out}', errors '${err}'")
endif()
message(STATUS "a broken level: ${err}")

# A map that cannot be read, or a spawn outside the map's open space: one line naming the level
# file, its line and the reason, exit code 1, before any window.
function(refused what edit expected)
  make_work()
  cmake_language(EVAL CODE "${edit}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${GAME}
    WORKING_DIRECTORY ${WORK}
    INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
  if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES "^${expected}\n$")
    message(FATAL_ERROR "${what}: exit '${code}', output '${out}', errors '${err}'")
  endif()
  message(STATUS "${what}: ${err}")
endfunction()
refused("level 1's map missing" "file(REMOVE ${WORK}/Obj/level1.2.obj)"
  "Levels/level1.txt:[0-9]+: map Obj/level1.2.obj cannot be read \\(No such file or directory\\)")
refused("level 2's map a folder" "file(REMOVE ${WORK}/Obj/level2.fbx)\nfile(MAKE_DIRECTORY ${WORK}/Obj/level2.fbx)"
  "Levels/level2.txt:[0-9]+: map Obj/level2.fbx cannot be read \\(not a regular file\\)")
refused("level 2's map an image" "file(COPY_FILE ${DATA}/Texture/red.bmp ${WORK}/Obj/level2.fbx)"
  "Levels/level2.txt:[0-9]+: map Obj/level2.fbx cannot be read \\(not a model the game can read\\)")
refused("level 1's spawn in the rock"
  "file(READ ${WORK}/Levels/level1.txt level)\nstring(REGEX REPLACE \"\\nspawn [^\\n]*\" \"\\nspawn 0 -200 0\" level \"\${level}\")\nfile(WRITE ${WORK}/Levels/level1.txt \"\${level}\")"
  "Levels/level1.txt:[0-9]+: spawn: expected a point in the map's open space, not in the rock or outside the map")
