cmake_minimum_required(VERSION 3.25)
# Lays out the live gallery: cmake -DSOURCE=docs/gallery -DOUT=<folder>
#   -DPICTURES=demo/pictures -DWASM=<wasm preset's web folder> -DTAGFILE=<doxygen tag file>
#   -P docs/gallery/assemble.cmake
# The page, its scripts and the built-in pictures always; the module when
# the wasm preset has built it (else the page shows the GIFs of
# `tweenery gallery`, which the gallery target writes into <folder>/gifs);
# the API reference's anchors when Doxygen has written its tag file (else
# the cards link to the namespace page).
foreach(name SOURCE OUT PICTURES)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "assemble.cmake needs -D${name}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY ${OUT})
file(COPY ${SOURCE}/index.html ${SOURCE}/gallery.css ${SOURCE}/gallery.js ${SOURCE}/operations.js DESTINATION ${OUT})

# The demo's pictures as Windows bitmap bytes, which the module decodes with
# the component's own reader, as the tool decodes its built-in pair.
set(text "// Written by docs/gallery/assemble.cmake from demo/pictures.\nvar GALLERY_PICTURES = {\n")
foreach(side From To)
  file(READ ${PICTURES}/${side}.bmp hex HEX)
  string(TOLOWER ${side} key)
  string(APPEND text "  ${key}: '${hex}',\n")
endforeach()
string(APPEND text "};\n")
file(WRITE ${OUT}/pictures.js.new "${text}")
file(COPY_FILE ${OUT}/pictures.js.new ${OUT}/pictures.js ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}/pictures.js.new)

if(DEFINED WASM AND EXISTS ${WASM}/tweenery-single.js)
  file(COPY_FILE ${WASM}/tweenery-single.js ${OUT}/tweenery-single.js ONLY_IF_DIFFERENT)
  message(STATUS "gallery: live, with the module from ${WASM}")
else()
  file(REMOVE ${OUT}/tweenery-single.js)
  message(STATUS "gallery: GIFs only (no browser build; cmake --preset wasm && cmake --build --preset wasm)")
endif()

if(DEFINED TAGFILE AND EXISTS ${TAGFILE})
  file(READ ${TAGFILE} tags)
  string(REGEX MATCHALL "<name>FX[A-Za-z]+</name>[ \t\r\n]*<anchorfile>[^<]+</anchorfile>[ \t\r\n]*<anchor>[^<]+</anchor>" members "${tags}")
  set(links "")
  set(seen "")
  foreach(member IN LISTS members)
    string(REGEX REPLACE "<name>([A-Za-z]+)</name>.*<anchorfile>([^<]+)</anchorfile>.*<anchor>([^<]+)</anchor>" "\\1;\\2;\\3" parts "${member}")
    list(GET parts 0 function)
    list(GET parts 1 page)
    list(GET parts 2 anchor)
    if(NOT function IN_LIST seen)
      list(APPEND seen ${function})
      string(APPEND links "  ${function}: '${page}#${anchor}',\n")
    endif()
  endforeach()
  file(WRITE ${OUT}/api-links.js "// Written by docs/gallery/assemble.cmake from Doxygen's tag file.\nvar GALLERY_API_LINKS = {\n${links}};\n")
else()
  file(REMOVE ${OUT}/api-links.js)
endif()
