# The player's build (scripts/build.sh, which play.sh runs) is optimised and hardened and has
# neither the tests nor the GL debug context; the build running this check (the test build) keeps
# the debug context.
# Configures the player's build into WORK and reads both caches.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env BUILD_DIR=${WORK} CONFIGURE_ONLY=1
                        ${SOURCE}/scripts/build.sh
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 600)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "scripts/build.sh failed (${code})\n${out}\n${err}")
endif()

function(expect_cache cache key expected)
  load_cache(${cache} READ_WITH_PREFIX found_ ${key})
  if(NOT "${found_${key}}" STREQUAL "${expected}")
    message(FATAL_ERROR "${cache}: ${key} is '${found_${key}}', expected '${expected}'")
  endif()
  message(STATUS "${cache}: ${key}=${expected}")
endfunction()

expect_cache(${WORK} CMAKE_BUILD_TYPE Release)
expect_cache(${WORK} BRINDLEMOX_TESTS OFF)
expect_cache(${WORK} BRINDLEMOX_GL_DEBUG OFF)
expect_cache(${WORK} BRINDLEMOX_HARDENING ON)
expect_cache(${TEST_BUILD} BRINDLEMOX_TESTS ON)
expect_cache(${TEST_BUILD} BRINDLEMOX_GL_DEBUG ON)
file(REMOVE_RECURSE ${WORK})
