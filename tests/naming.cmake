# Fails when a name in FOLDERS (comma-separated) is off the naming convention
# of README's Development section: clang-tidy's identifier-naming, as the
# root's .clang-tidy configures it, over every .cpp of those folders and the
# headers of those folders they include, two processes at a time.
cmake_minimum_required(VERSION 3.22)
if(NOT TIDY OR TIDY MATCHES "NOTFOUND$")
  message(FATAL_ERROR "clang-tidy is not installed (`make test` installs it)")
endif()
string(REPLACE "," ";" folders "${FOLDERS}")
set(sources "")
foreach(folder IN LISTS folders)
  file(GLOB found ${SRC}/${folder}/*.cpp)
  list(APPEND sources ${found})
endforeach()
string(REPLACE ";" "|" alternatives "${folders}")
# Only headers of the checked folders: the others may still be on their way.
string(REGEX REPLACE "([][.+*?()^$|\\])" "\\\\\\1" src_pattern "${SRC}")
set(header_filter "^${src_pattern}/(${alternatives})/[^/]+\\.h$")
list(JOIN sources "\n" text)
file(WRITE ${BUILD}/naming_sources.txt "${text}\n")
execute_process(COMMAND xargs -P2 -n2 ${TIDY} -p ${BUILD} --quiet --header-filter=${header_filter}
                INPUT_FILE ${BUILD}/naming_sources.txt RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "names off the convention in ${FOLDERS} (clang-tidy's messages above)")
endif()
