#pragma once
// The readout as a JSON object, for the outputs that build their JSON from it
// (StatusJson, zulctl --all --json). Inside clicore only: the JSON library is
// not part of its interface.

#include <nlohmann/json.hpp>

#include "cli/StatusReport.h"

namespace zul::cli {

// The object StatusJson writes out.
nlohmann::ordered_json StatusObject(const CameraReport& report);

}  // namespace zul::cli
