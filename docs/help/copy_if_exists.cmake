# cmake -DSRC=file -DDEST1=dir [-DDEST2=dir] -P copy_if_exists.cmake: copies SRC into each folder
# when SRC exists, and does nothing otherwise.
if(EXISTS "${SRC}")
  foreach(d "${DEST1}" "${DEST2}")
    if(d)
      file(MAKE_DIRECTORY "${d}")
      file(COPY "${SRC}" DESTINATION "${d}")
    endif()
  endforeach()
endif()
