#include "RasJournalLine.h"

#include <cstdint>
#include <cstdio>
#include <string>

std::string RasJournalQuote(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7E) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            quoted += escape;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

CRasJournalLine::CRasJournalLine(const std::string& function) : text_(function) {}

CRasJournalLine& CRasJournalLine::Text(const char* key, const std::string& value)
{
    text_ += std::string(" ") + key + "=" + RasJournalQuote(value);
    return *this;
}

CRasJournalLine& CRasJournalLine::Null(const char* key)
{
    return Word(key, "<null>");
}

CRasJournalLine& CRasJournalLine::Number(const char* key, uint64_t value)
{
    text_ += std::string(" ") + key + "=" + std::to_string(value);
    return *this;
}

CRasJournalLine& CRasJournalLine::Hex(const char* key, uint64_t value)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "0x%llX", static_cast<unsigned long long>(value));
    text_ += std::string(" ") + key + "=" + digits;
    return *this;
}

CRasJournalLine& CRasJournalLine::Secret(const char* key, const std::string& value)
{
    return Word(key, value.empty() ? "<empty>" : "<set>");
}

CRasJournalLine& CRasJournalLine::Word(const char* key, const char* word)
{
    text_ += std::string(" ") + key + "=" + word;
    return *this;
}

CRasJournalLine& CRasJournalLine::Result(uint32_t code)
{
    text_ += " -> " + std::to_string(code);
    return *this;
}

std::string CRasJournalLine::Line() const
{
    return text_ + "\r\n";
}
