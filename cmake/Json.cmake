# nlohmann/json (header only) as the target zul_json.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/HeaderLibrary.cmake)
zul_header_library(zul_json nlohmann nlohmann_json 3 nlohmann_json::nlohmann_json
                   nlohmann-json3-dev nlohmann-json.txt)
