#pragma once

#include <string>

#include <json/json.h>

// Text and JSON that come from the core, made safe for this side. The core is
// another program, possibly another vendor's: its bytes are never trusted.

// The text with every control character written out as an escape (\n, \r,
// \t, \xNN), C1 controls and the Unicode line and paragraph separators
// included, so that it can never start a line of its own in a log.
std::string escapeCoreText(const std::string& strText);

// How deep a core message may nest. Real status messages are a few levels;
// anything deeper is refused before the parser recurses into it.
constexpr int kMaxMessageDepth = 64;

enum class MessageParse
{
    Parsed,  // *pValue holds the JSON
    NotJson, // *pValue holds {"text": the text as received}
    Refused, // nested too deep or otherwise unusable: drop it; *pError says why
};

// Parses the JSON of one core message. Never throws.
MessageParse parseCoreMessage(const std::string& strJson, Json::Value* pValue, std::string* pError);
