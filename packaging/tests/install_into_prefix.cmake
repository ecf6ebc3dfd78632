# Installs the build into a fresh PREFIX that every user may read (the
# unprivileged start runs the programs as another user).
#   cmake -DBUILD_DIR=<build> -DPREFIX=<folder> -P install_into_prefix.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install into ${PREFIX} failed (${status})")
endif()
