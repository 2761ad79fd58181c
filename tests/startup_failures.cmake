# Runs the real game with configs whose window cannot open and checks the message (the last line
# on standard error) and exit code. Standard input is closed, so the console pause must not wait;
# it still shows its prompt on standard output. Each
# working folder holds Config/, Shader/ and Obj/, so the game takes it as its data folder, and
# the game's level files, which are read before the window opens.
set(prompt "Press Enter to continue . . .\n")
file(GLOB level_files ${DATA}/Levels/*.txt)
macro(make_work)
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK}/Config ${WORK}/Shader ${WORK}/Obj)
  file(COPY ${level_files} DESTINATION ${WORK}/Levels)
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

# A key waiting on standard input ends the pause after the prompt; the terminal's echo of the
# key, not the game, would end the prompt's line.
make_work()
file(WRITE ${WORK}/Config/config.txt "width=0\n")
file(WRITE ${WORK}/key "\n")
execute_process(COMMAND ${GAME} WORKING_DIRECTORY ${WORK}
  INPUT_FILE ${WORK}/key OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
if(NOT code EQUAL 255 OR NOT out STREQUAL "Press Enter to continue . . ."
   OR NOT err MATCHES "(^|\n)Failed to open window\n$")
  message(FATAL_ERROR "a key on input: exit '${code}', output '${out}', errors '${err}'")
endif()
message(STATUS "a key on input: the prompt, then exit 255")

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
