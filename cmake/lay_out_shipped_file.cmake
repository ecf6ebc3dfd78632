# Lays out a shipped data file that the program rewrites later (the user's
# settings and favourites live in it), without ever losing what it wrote:
#
#   cmake -DSOURCE=<shipped copy> -DTARGET=<file in the application dir>
#         -DRECORD=<copy of what was laid out last> -P lay_out_shipped_file.cmake
#
# TARGET is (re)written only when it is missing or still byte for byte what
# the build laid out last time (RECORD); a TARGET that differs from it was
# written by the program since and is kept.
foreach(var SOURCE TARGET RECORD)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "lay_out_shipped_file: ${var} is not set")
  endif()
endforeach()

function(same_content a b result)
  set(${result} FALSE PARENT_SCOPE)
  if(EXISTS "${a}" AND EXISTS "${b}")
    file(SHA256 "${a}" hash_a)
    file(SHA256 "${b}" hash_b)
    if(hash_a STREQUAL hash_b)
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

same_content("${TARGET}" "${SOURCE}" current)
same_content("${TARGET}" "${RECORD}" untouched)
if(current)
  file(COPY_FILE "${SOURCE}" "${RECORD}" ONLY_IF_DIFFERENT)
elseif(NOT EXISTS "${TARGET}" OR untouched)
  file(COPY_FILE "${SOURCE}" "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${RECORD}")
  message(STATUS "Laid out ${TARGET}")
endif()
