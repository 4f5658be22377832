# The licence texts that must travel with the Windows programs, taken from what
# they link: every target a program links (directly or through other targets)
# may carry ZUL_LICENCES entries "<shipped name>=<text file>", and whatever the
# toolchain links into every program (its runtime) is in the global property of
# the same name. zul_licence_manifest() writes the programs' union, one
# "<shipped name><TAB><text file>" line each, sorted; scripts/dist.sh ships
# each text as licenses\<shipped name> and the deploy checks compare both
# packages against the same file.
include_guard(GLOBAL)

# zul_licence(<target> <shipped name> <text file>): whatever links <target>
# carries code under this licence.
function(zul_licence target name text)
  set_property(TARGET ${target} APPEND PROPERTY ZUL_LICENCES "${name}=${text}")
endfunction()

# zul_runtime_licence(<shipped name> <text file>): every program carries it.
function(zul_runtime_licence name text)
  set_property(GLOBAL APPEND PROPERTY ZUL_LICENCES "${name}=${text}")
endfunction()

# Appends to <out> the licences of <target> and of all it links; <out>_seen
# holds the targets already visited.
function(_zul_collect_licences target out)
  if(target IN_LIST ${out}_seen)
    return()
  endif()
  list(APPEND ${out}_seen ${target})
  get_target_property(found ${target} ZUL_LICENCES)
  if(found)
    list(APPEND ${out} ${found})
  endif()
  get_target_property(type ${target} TYPE)
  set(links)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(direct ${target} LINK_LIBRARIES)
    if(direct)
      list(APPEND links ${direct})
    endif()
  endif()
  get_target_property(usage ${target} INTERFACE_LINK_LIBRARIES)
  if(usage)
    list(APPEND links ${usage})
  endif()
  foreach(item IN LISTS links)
    # A static library's private links reach its users as $<LINK_ONLY:...>;
    # "::@..." marks a link made from another directory.
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(TARGET ${item})
      _zul_collect_licences(${item} ${out})
    elseif(item MATCHES "^\\$<")
      message(FATAL_ERROR "licences: cannot follow ${target}'s link item ${item}")
    endif()
  endforeach()
  set(${out} ${${out}} PARENT_SCOPE)
  set(${out}_seen ${${out}_seen} PARENT_SCOPE)
endfunction()

# zul_licence_manifest(<file> <program>...): call after every target is linked.
function(zul_licence_manifest file)
  get_property(licences GLOBAL PROPERTY ZUL_LICENCES)
  set(licences_seen)
  foreach(program IN LISTS ARGN)
    _zul_collect_licences(${program} licences)
  endforeach()
  list(REMOVE_DUPLICATES licences)
  list(SORT licences)
  set(content "")
  set(names)
  foreach(entry IN LISTS licences)
    string(REGEX MATCH "^([^=]+)=(.+)$" matched "${entry}")
    set(name ${CMAKE_MATCH_1})
    set(text ${CMAKE_MATCH_2})
    if(name IN_LIST names)
      message(FATAL_ERROR "licences: two texts named ${name}")
    endif()
    list(APPEND names ${name})
    if(NOT EXISTS ${text})
      message(FATAL_ERROR "licences: ${text} not found (the licence of ${name})")
    endif()
    string(APPEND content "${name}\t${text}\n")
  endforeach()
  file(GENERATE OUTPUT ${file} CONTENT "${content}")
endfunction()
