# Runs lay_out_shipped_file.cmake the way the build does, in a scratch
# folder: a missing file is laid out, a newer shipped file replaces the
# untouched old one, and a file the program wrote since is never replaced.
set(dir ${WORK_DIR}/lay_out_shipped_file_test)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})

function(lay_out)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE=${dir}/shipped.xml -DTARGET=${dir}/app.xml
                          -DRECORD=${dir}/app.xml.laid-out -P ${SCRIPT}
                  RESULT_VARIABLE failed OUTPUT_QUIET)
  if(failed)
    message(FATAL_ERROR "the script failed")
  endif()
endfunction()

function(expect_content expected)
  file(READ ${dir}/app.xml content)
  if(NOT content STREQUAL expected)
    message(FATAL_ERROR "app.xml holds '${content}', expected '${expected}' (${ARGN})")
  endif()
endfunction()

file(WRITE ${dir}/shipped.xml "first")
lay_out()
expect_content("first" "a missing file is laid out")

file(WRITE ${dir}/shipped.xml "second")
lay_out()
expect_content("second" "an untouched file follows the shipped one")

file(WRITE ${dir}/app.xml "the user's favourites")
file(WRITE ${dir}/shipped.xml "third")
lay_out()
expect_content("the user's favourites" "a file the program wrote is kept")

file(REMOVE ${dir}/app.xml)
lay_out()
expect_content("third" "a removed file is laid out again")
