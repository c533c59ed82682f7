# The layers of the tree, lowest first. A folder may include and link only folders of its own
# layer or below; tests (any tests/ folder) may reach every layer. A folder not listed is taken
# as the top layer: nothing listed may reach it. Used at configure time (links) and by the
# layer_includes test (includes, cmake/check_layer_includes.cmake).
set(VIDARRO_LAYERS
  "platform/base"
  "platform/registry platform/com platform/media"
  "platform/gdi"
  "platform/window"
  "platform/controls platform/rc"
  "platform/shell platform/ole platform/dshow platform/disc platform/dvd"
  "platform/wmf platform/filters platform/audio platform/x11 platform/script"
  "platform/propertyframe"
  "platform/testkit"
  "widgets mpegdec bdauthor qnlog"
  "capture convengine thumbs"
  "converter studio wizard audiorec uploader starter resources platform/gallery platform/regsvr32")

# The folder a path inside the tree belongs to: "platform/<name>" or its first component.
function(vidarro_layer_folder path out)
  string(REPLACE "/" ";" parts "${path}")
  list(GET parts 0 folder)
  list(LENGTH parts count)
  if(folder STREQUAL "platform" AND count GREATER 2)
    list(GET parts 1 second)
    set(folder "platform/${second}")
  endif()
  set(${out} "${folder}" PARENT_SCOPE)
endfunction()

function(vidarro_layer_rank folder out)
  set(rank 0)
  foreach(layer ${VIDARRO_LAYERS})
    string(REPLACE " " ";" members "${layer}")
    if(folder IN_LIST members)
      set(${out} ${rank} PARENT_SCOPE)
      return()
    endif()
    math(EXPR rank "${rank} + 1")
  endforeach()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# Sets out to TRUE when a file of folder `from` may reach folder `to`.
function(vidarro_layer_edge_allowed from to out)
  vidarro_layer_rank("${from}" from_rank)
  vidarro_layer_rank("${to}" to_rank)
  if(to_rank GREATER from_rank)
    set(${out} FALSE PARENT_SCOPE)
  else()
    set(${out} TRUE PARENT_SCOPE)
  endif()
endfunction()

function(vidarro_collect_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    vidarro_collect_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Fails the configuration when a library or program links a target of a higher layer.
function(vidarro_check_layer_links)
  vidarro_collect_targets(${CMAKE_SOURCE_DIR} targets)
  set(upward)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    get_target_property(dir ${target} SOURCE_DIR)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
    if(rel MATCHES "(^|/)tests(/|$)" OR rel STREQUAL "")
      continue()
    endif()
    vidarro_layer_folder("${rel}/x" from)
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(link ${links})
      if(NOT TARGET ${link})
        continue()
      endif()
      get_target_property(imported ${link} IMPORTED)
      if(imported)
        continue()
      endif()
      get_target_property(link_dir ${link} SOURCE_DIR)
      file(RELATIVE_PATH link_rel ${CMAKE_SOURCE_DIR} ${link_dir})
      vidarro_layer_folder("${link_rel}/x" to)
      vidarro_layer_edge_allowed("${from}" "${to}" allowed)
      if(NOT allowed)
        list(APPEND upward "${target} (${from}) links ${link} (${to})")
      endif()
    endforeach()
  endforeach()
  if(upward)
    list(JOIN upward "\n  " text)
    message(FATAL_ERROR "Links that reach a higher layer (see cmake/Layers.cmake):\n  ${text}")
  endif()
endfunction()
