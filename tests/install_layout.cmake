# Installs the build into a scratch prefix and checks that the program, its
# tools, the icon, the desktop entry, the metainfo and the man page land in
# their places; the desktop entry and the metainfo are validated when the
# validators are there.
cmake_minimum_required(VERSION 3.22)
set(prefix ${BUILD}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(id com.corvane.Kordex)
foreach(f bin/kordex bin/kordex-replay
          share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml
          share/icons/hicolor/scalable/apps/${id}.svg share/icons/hicolor/48x48/apps/${id}.png
          share/man/man1/kordex.1.gz)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS ${prefix}/share/applications/${id}.desktop lines)
foreach(want "Exec=kordex" "Icon=${id}")
  if(NOT want IN_LIST lines)
    message(FATAL_ERROR "the desktop entry lacks ${want}")
  endif()
endforeach()
# The metainfo's newest release and the man page are written by hand: they
# must follow the project's version when it is raised.
string(REPLACE "." "\\." version "${VERSION}")
file(READ ${prefix}/share/metainfo/${id}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<releases>[ \t\r\n]*<release version=\"${version}\"")
  message(FATAL_ERROR "the metainfo's release is not version ${VERSION}")
endif()
execute_process(COMMAND gzip -dc ${prefix}/share/man/man1/kordex.1.gz OUTPUT_VARIABLE man)
if(NOT man MATCHES "^\\.TH KORDEX 1 \"[^\"]*\" \"Kordex ${version}\"")
  message(FATAL_ERROR "the man page is not of version ${VERSION}")
endif()
find_program(desktop_validate desktop-file-validate)
if(desktop_validate)
  execute_process(COMMAND ${desktop_validate} ${prefix}/share/applications/${id}.desktop RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate failed")
  endif()
endif()
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  execute_process(COMMAND ${appstreamcli} validate --no-net ${prefix}/share/metainfo/${id}.metainfo.xml
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate failed")
  endif()
endif()
file(REMOVE_RECURSE ${prefix})
