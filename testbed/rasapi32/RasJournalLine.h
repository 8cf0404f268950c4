#pragma once
// CRasJournalLine: one line of the stand-in's call journal, "Function key=value ... -> result key=value".
// Texts are quoted, with quotes, backslashes and bytes outside printable ASCII escaped, so that a line
// stays one line whatever a caller passed. A password is only ever said to be set or empty.
#include <cstdint>
#include <string>

class CRasJournalLine {
public:
    explicit CRasJournalLine(const std::string& function);

    /// key="text"
    CRasJournalLine& Text(const char* key, const std::string& value);
    /// key=<null>, for a pointer the caller left out.
    CRasJournalLine& Null(const char* key);
    /// key=decimal
    CRasJournalLine& Number(const char* key, uint64_t value);
    /// key=0xhex
    CRasJournalLine& Hex(const char* key, uint64_t value);
    /// key=<set> or key=<empty>: never the value itself.
    CRasJournalLine& Secret(const char* key, const std::string& value);
    /// key=word, for a fixed word of the stand-in's own (yes, no, <default>...).
    CRasJournalLine& Word(const char* key, const char* word);
    /// " -> code": what follows describes the answer.
    CRasJournalLine& Result(uint32_t code);

    /// The line with its CR LF.
    std::string Line() const;

private:
    std::string text_;
};

/// TEXT quoted as the journal writes it.
std::string RasJournalQuote(const std::string& text);
