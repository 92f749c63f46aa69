# cmake -DLUPDATE=… -DTS=committed.ts -DCOPY=scratch.ts -DROOT=source-tree -DSOURCES="a;b" -P
# Fails when lupdate over the sources would change the committed translation: a text with no
# translation yet, or one the sources no longer have.
file(READ ${TS} committed)
if(committed MATCHES "type=\"(unfinished|vanished|obsolete)\"")
    message(FATAL_ERROR "${TS} has ${CMAKE_MATCH_1} entries")
endif()
configure_file(${TS} ${COPY} COPYONLY)
set(dirs ${SOURCES})
list(TRANSFORM dirs PREPEND ${ROOT}/)
execute_process(COMMAND ${LUPDATE} -silent -locations none -extensions cpp,h,ui ${dirs}
        -ts ${COPY}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${rc}): ${out}")
endif()
file(STRINGS ${COPY} changed ENCODING UTF-8 REGEX "type=\"(unfinished|vanished|obsolete)\"|<source>")
set(missing "")
set(last "")
foreach(line IN LISTS changed)
    if(line MATCHES "<source>(.*)</source>")
        set(last "${CMAKE_MATCH_1}")
    elseif(line MATCHES "type=\"([a-z]+)\"")
        string(APPEND missing "\n  ${CMAKE_MATCH_1}: ${last}")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "${TS} is behind the sources; run lupdate -locations none and "
        "translate:${missing}")
endif()
