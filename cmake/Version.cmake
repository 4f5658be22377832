# The one version number: the project's. It reaches the programs' version
# blocks and --version through a generated header (zul_version), and the
# installer through dist.env, which scripts/dist.sh reads.
set(ZUL_MANUFACTURER "Marlowen")
foreach(part MAJOR MINOR PATCH TWEAK)
  if(PROJECT_VERSION_${part} STREQUAL "")
    set(PROJECT_VERSION_${part} 0)
  endif()
endforeach()
set(ZUL_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")

configure_file(${PROJECT_SOURCE_DIR}/res/ZulVersion.h.in ${PROJECT_BINARY_DIR}/generated/ZulVersion.h
               @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/dist.env.in ${PROJECT_BINARY_DIR}/dist.env
               @ONLY)
add_library(zul_version INTERFACE)
target_include_directories(zul_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
