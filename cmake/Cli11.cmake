# CLI11 (header only) as the target zul_cli11.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/HeaderLibrary.cmake)
zul_header_library(zul_cli11 CLI CLI11 2 CLI11::CLI11 libcli11-dev cli11.txt)
