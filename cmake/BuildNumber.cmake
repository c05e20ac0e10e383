# The build number, worked out at every build: the number of commits of the
# checkout when the sources are the top of a git checkout, else the CMake setting
# VANTREL_BUILD_NUMBER. Run as a script:
#   cmake -DSOURCE_DIR=... -DFALLBACK=... -DOUTPUT=... -P BuildNumber.cmake
# OUTPUT is a C++ source defining vantrel::buildNumberText(); it is rewritten only
# when the number changes, so an unchanged number recompiles nothing.
cmake_minimum_required(VERSION 3.25)

set(number "${FALLBACK}")
find_program(GIT_PROGRAM git)
if(GIT_PROGRAM)
  # Only the checkout the sources are the top of counts, not one that happens to
  # hold an unpacked copy of them further down.
  execute_process(COMMAND "${GIT_PROGRAM}" -C "${SOURCE_DIR}" rev-parse --show-toplevel
                  RESULT_VARIABLE top_result OUTPUT_VARIABLE top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(REAL_PATH "${SOURCE_DIR}" sources)
  if(top_result EQUAL 0)
    file(REAL_PATH "${top}" top)
  endif()
  if(top_result EQUAL 0 AND top STREQUAL sources)
    execute_process(COMMAND "${GIT_PROGRAM}" -C "${SOURCE_DIR}" rev-list --count HEAD
                    RESULT_VARIABLE count_result OUTPUT_VARIABLE count ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    # A checkout without any commit yet has no count.
    if(count_result EQUAL 0 AND count MATCHES "^[0-9]+$")
      set(number "${count}")
    endif()
  endif()
endif()

set(text "// Made by cmake/BuildNumber.cmake at build time.\nnamespace vantrel {\nconst char* buildNumberText() noexcept { return \"${number}\"; }\n}  // namespace vantrel\n")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
