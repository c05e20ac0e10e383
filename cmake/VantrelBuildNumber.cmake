# Gives TARGET the function vantrel::buildNumberText() (declared in
# Vantrel/app/BuildNumber.h), worked out anew at every build by BuildNumber.cmake,
# so that a build after a new commit carries the new number.
set(VANTREL_BUILD_NUMBER_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/BuildNumber.cmake)
set(VANTREL_BUILD_NUMBER "1" CACHE STRING "Build number when the sources are not a git checkout")
if(NOT VANTREL_BUILD_NUMBER MATCHES "^[A-Za-z0-9._+-]+$")
  message(FATAL_ERROR "VANTREL_BUILD_NUMBER must be letters, digits and . _ + - only, not \"${VANTREL_BUILD_NUMBER}\"")
endif()

function(vantrel_build_number target)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/VantrelBuildNumber.cpp)
  add_custom_target(${target}_build_number
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DFALLBACK=${VANTREL_BUILD_NUMBER}
            -DOUTPUT=${output} -P ${VANTREL_BUILD_NUMBER_SCRIPT}
    BYPRODUCTS ${output}
    COMMENT "Build number"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  set_source_files_properties(${output} PROPERTIES SKIP_PRECOMPILE_HEADERS ON SKIP_AUTOGEN ON)
  add_dependencies(${target} ${target}_build_number)
endfunction()
