// The text, JSON and CSV forms of what velmora-cli prints: the alphabet, one processing
// run, and the result of a statistical simulation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/scripted_window.h"
#include "shell/app_state.h"

namespace velmora::cli {

using Json = nlohmann::ordered_json;

inline constexpr const char* kAlphabetFormat = "velmora-alphabet/1";
inline constexpr const char* kRunFormat = "velmora-run/1";
inline constexpr const char* kSimulationFormat = "velmora-sim/1";
inline constexpr const char* kFindFormat = "velmora-find/1";
inline constexpr const char* kCsvHeader = "pulses,noise,restoring,detection,tuple_recognition";

// One JSON document on one line, followed by a newline. Invalid UTF-8 in texts is replaced.
std::string dumpJson(const Json& document);

Json alphabetJson(const AppState& state);
std::string alphabetText(const AppState& state);

// The state after processing run `number` (1-based) that `command` (a menu text) started.
Json runJson(const AppState& state, const std::vector<Message>& messages);
std::string runText(const AppState& state, int number, const std::string& command);

// The ranked chains of a chains record.
Json chainsJson(const ChainsHeader& chains);

// Calendar seconds as "YYYY-MM-DDTHH:MM:SSZ".
std::string utcTime(int32_t seconds);

// The last simulation's record; `options` is copied in as given.
Json simulationJson(const AppState& state, const Json& options);
// One row per grid point, pulse counts outermost, after the header line.
std::string simulationCsv(const RestErrorHeader& errors);

}  // namespace velmora::cli
