# Runs the real game with configs whose window cannot open and checks the message and exit code.
# Standard input is closed, so the console pause must not wait; it still shows its prompt. Each
# working folder holds Config/, Shader/ and Obj/, so the game takes it as its data folder.
set(prompt "Press Enter to continue . . .\n")
foreach(size "width=0" "width=-5" "height=0")
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK}/Config ${WORK}/Shader ${WORK}/Obj)
  file(WRITE ${WORK}/Config/config.txt "${size}\n")
  execute_process(COMMAND ${GAME} WORKING_DIRECTORY ${WORK}
    INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code
    TIMEOUT 60)
  if(NOT code EQUAL 255)
    message(FATAL_ERROR "${size}: expected exit code 255 (-1), got '${code}'\n${out}\n${err}")
  endif()
  if(NOT out STREQUAL "Failed to open window\n${prompt}")
    message(FATAL_ERROR "${size}: unexpected output '${out}'")
  endif()
  message(STATUS "${size}: Failed to open window, exit 255")
endforeach()

# A key waiting on standard input ends the pause after the prompt; the terminal's echo of the
# key, not the game, would end the prompt's line.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/Config ${WORK}/Shader ${WORK}/Obj)
file(WRITE ${WORK}/Config/config.txt "width=0\n")
file(WRITE ${WORK}/key "\n")
execute_process(COMMAND ${GAME} WORKING_DIRECTORY ${WORK}
  INPUT_FILE ${WORK}/key OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
if(NOT code EQUAL 255 OR NOT out STREQUAL "Failed to open window\nPress Enter to continue . . .")
  message(FATAL_ERROR "a key on input: exit '${code}', output '${out}'")
endif()
message(STATUS "a key on input: the prompt, then exit 255")

# No display at all: GLFW cannot start.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/Config ${WORK}/Shader ${WORK}/Obj)
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${GAME}
  WORKING_DIRECTORY ${WORK}
  INPUT_FILE /dev/null OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
if(NOT code EQUAL 255)
  message(FATAL_ERROR "no display: expected exit code 255 (-1), got '${code}'\n${out}\n${err}")
endif()
if(NOT out STREQUAL "Failed to initialize glfw\n${prompt}")
  message(FATAL_ERROR "no display: unexpected output '${out}'")
endif()
message(STATUS "no display: Failed to initialize glfw, exit 255")
