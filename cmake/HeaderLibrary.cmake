# zul_header_library(<target> <folder> <package> <version> <imported> <deb>
# <licence>): a header-only library from /usr/include/<folder> as the INTERFACE
# target <target>. Its code is compiled into whatever uses it, so its licence
# text (Debian's copyright file of <deb>) goes with the programs as
# licenses\<licence> (cmake/Licences.cmake). Native builds use the package's CMake config (found globally, so
# any directory may link the target); for a package without one (<package>
# "-") the compiler's own /usr/include is enough. Cross builds must not see the
# host's /usr/include, so they get a folder holding nothing but a link to
# <folder>, as a system folder: its headers' warnings are not ours.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Licences.cmake)
function(zul_header_library target folder package version imported deb licence)
  add_library(${target} INTERFACE)
  zul_licence(${target} ${licence} /usr/share/doc/${deb}/copyright)
  if(CMAKE_CROSSCOMPILING)
    if(NOT EXISTS /usr/include/${folder})
      message(FATAL_ERROR "/usr/include/${folder} not found (install ${deb})")
    endif()
    set(dir ${CMAKE_BINARY_DIR}/_${target}_include)
    file(MAKE_DIRECTORY ${dir})
    if(NOT EXISTS ${dir}/${folder})
      file(CREATE_LINK /usr/include/${folder} ${dir}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} SYSTEM INTERFACE ${dir})
  elseif(package STREQUAL "-")
    if(NOT EXISTS /usr/include/${folder})
      message(FATAL_ERROR "/usr/include/${folder} not found (install ${deb})")
    endif()
  else()
    find_package(${package} ${version} REQUIRED GLOBAL)
    target_link_libraries(${target} INTERFACE ${imported})
  endif()
endfunction()
