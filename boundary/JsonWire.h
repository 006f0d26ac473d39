// The JSON forms of the wire messages: requests in, replies out.
//
// The texts are exactly those of the protobuf JSON utilities with default
// options (JsonStringToMessage / MessageToJsonString). Two direct routines
// cover the shapes that carry the traffic, a request of a command name and a
// map of string parameters and any reply, without the utilities' per-call
// type resolution; whatever they do not handle goes to the utilities, so the
// outcome is the same for every input.
#pragma once

#include <string>
#include <string_view>

#include "proto/CommandResponse.pb.h"
#include "proto/command.pb.h"

// Fills `command` from the request text; leaves it empty when the text is
// not a valid request (syntax error, unknown member, non-string value).
void ParseCommandJson(std::string_view json, excel::Command* command);

// Appends the compact JSON text of `response` to `out`.
void PrintResponseJson(const excel::CommandResponse& response, std::string* out);

// The direct routines alone. They return false, leaving their output
// unspecified, for any input they do not handle; callers then use the
// protobuf utilities.
bool ParseCommandJsonDirect(std::string_view json, excel::Command* command);
bool PrintResponseJsonDirect(const excel::CommandResponse& response, std::string* out);
