# fast-cpp-csv-parser (Debian's libfccp-dev, header only: libfccp/csv.h) as the
# target zul_fccp. It reads from memory here, so without its read-ahead thread.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/HeaderLibrary.cmake)
zul_header_library(zul_fccp libfccp - - - libfccp-dev fast-cpp-csv-parser.txt)
target_compile_definitions(zul_fccp INTERFACE CSV_IO_NO_THREAD)
