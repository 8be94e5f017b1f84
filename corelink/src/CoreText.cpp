#include "CoreText.h"

#include <cstdio>
#include <exception>
#include <memory>

namespace {

void appendHex(std::string& strOut, unsigned char c)
{
    char buffer[5];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
    strOut += buffer;
}

} // namespace

std::string escapeCoreText(const std::string& strText)
{
    std::string strOut;
    strOut.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        const auto c = static_cast<unsigned char>(strText[i]);
        switch (c) {
        case '\n': strOut += "\\n"; continue;
        case '\r': strOut += "\\r"; continue;
        case '\t': strOut += "\\t"; continue;
        case '\\': strOut += "\\\\"; continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7f) {
            appendHex(strOut, c);
            continue;
        }
        // U+0080..U+009F (C1 controls, NEL among them) are C2 80..C2 9F in UTF-8.
        if (c == 0xc2 && i + 1 < strText.size()) {
            const auto next = static_cast<unsigned char>(strText[i + 1]);
            if (next >= 0x80 && next <= 0x9f) {
                appendHex(strOut, c);
                appendHex(strOut, next);
                ++i;
                continue;
            }
        }
        // U+2028 and U+2029 end a line for some viewers: E2 80 A8 and E2 80 A9.
        if (c == 0xe2 && i + 2 < strText.size() && static_cast<unsigned char>(strText[i + 1]) == 0x80
            && (static_cast<unsigned char>(strText[i + 2]) == 0xa8
                || static_cast<unsigned char>(strText[i + 2]) == 0xa9)) {
            appendHex(strOut, c);
            appendHex(strOut, static_cast<unsigned char>(strText[i + 1]));
            appendHex(strOut, static_cast<unsigned char>(strText[i + 2]));
            i += 2;
            continue;
        }
        strOut += char(c);
    }
    return strOut;
}

MessageParse parseCoreMessage(const std::string& strJson, Json::Value* pValue, std::string* pError)
{
    try {
        Json::CharReaderBuilder builder;
        // The parser recurses once per level and throws past this limit.
        builder["stackLimit"] = kMaxMessageDepth;
        const std::unique_ptr<Json::CharReader> pReader(builder.newCharReader());
        Json::Value value;
        std::string strErrors;
        if (pReader->parse(strJson.data(), strJson.data() + strJson.size(), &value, &strErrors)) {
            *pValue = std::move(value);
            return MessageParse::Parsed;
        }
        // Keep the text rather than lose the message.
        Json::Value text(Json::objectValue);
        text["text"] = strJson;
        *pValue = std::move(text);
        return MessageParse::NotJson;
    } catch (const std::exception& e) {
        *pError = e.what();
    } catch (...) {
        *pError = "unknown failure";
    }
    *pValue = Json::Value();
    return MessageParse::Refused;
}
