# Makes the operator's guide that the program shows from its own resources: the README's section
# "## The operator's guide", as it stands there, and a Qt resource list of it with every file it
# names by a relative link (its pictures, the documents it points to). Run at build time, so the
# guide in the program is always the README's.
#
#   cmake -DSOURCE_DIR=<the project> -DOUT_DIR=<where to write> -P make_guide.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var SOURCE_DIR OUT_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "${var} not set")
  endif()
endforeach()

file(READ ${SOURCE_DIR}/README.md readme)
set(heading "\n## The operator's guide\n")
string(FIND "${readme}" "${heading}" start)
if(start EQUAL -1)
  message(FATAL_ERROR "README.md has no section \"## The operator's guide\"")
endif()
math(EXPR start "${start} + 1")
string(SUBSTRING "${readme}" ${start} -1 rest)
string(LENGTH "${heading}" skip)
string(SUBSTRING "${rest}" ${skip} -1 after)
string(FIND "${after}" "\n## " end)
if(end EQUAL -1)
  set(guide "${rest}")
else()
  math(EXPR end "${end} + ${skip}")
  string(SUBSTRING "${rest}" 0 ${end} guide)
endif()
file(WRITE ${OUT_DIR}/operators-guide.md "${guide}\n")

# Every relative link target, a picture's or a document's, without its #part. A bracket would
# hold a CMake list together, so the links' "](" is marked otherwise first.
string(REPLACE "](" "@link@(" marked "${guide}")
string(REGEX MATCHALL "@link@\\([^)]+\\)" links "${marked}")
set(files)
foreach(link IN LISTS links)
  string(REGEX REPLACE "^@link@\\(([^ )#]*).*" "\\1" target "${link}")
  if(target STREQUAL "" OR target MATCHES "^[a-zA-Z][a-zA-Z0-9+.-]*:" OR target MATCHES "^/")
    continue()
  endif()
  if(NOT EXISTS ${SOURCE_DIR}/${target})
    message(FATAL_ERROR "The operator's guide in README.md links to ${target}, which is not there")
  endif()
  list(APPEND files ${target})
endforeach()
list(REMOVE_DUPLICATES files)

set(qrc "<RCC>\n  <qresource prefix=\"/guide\">\n")
string(APPEND qrc "    <file alias=\"operators-guide.md\">${OUT_DIR}/operators-guide.md</file>\n")
foreach(target IN LISTS files)
  string(APPEND qrc "    <file alias=\"${target}\">${SOURCE_DIR}/${target}</file>\n")
endforeach()
string(APPEND qrc "  </qresource>\n</RCC>\n")
file(WRITE ${OUT_DIR}/operators-guide.qrc "${qrc}")
