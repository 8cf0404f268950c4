#pragma once
// DnsQuestion: what a query asked, kept with its pending entry so that only an answer to that very question
// is handed back to the client. A query of one well-formed question is kept as its name (letters folded to
// lower case, RFC 1035 2.3.3), type and class; any other query is still forwarded, and then its answer
// must repeat the bytes that follow the query's header exactly.
#include <cstddef>
#include <cstdint>
#include <string>

struct DnsQuestion {
    /// True when the query held one question that parsed; false: `bytes` are the raw bytes after the header.
    bool parsed = false;
    /// Parsed: the name in wire form, folded to lower case, then type and class. Else the raw bytes.
    std::string bytes;
};

/// The question of the message in data[0, length): true with the folded form in *key when the header says
/// one question and the name (no pointers, labels of at most 63, at most 255 in all) and its type and class
/// lie inside the message. Reads nothing outside data[0, length).
bool DnsParseQuestion(const uint8_t* data, size_t length, std::string* key);

/// What a query asked: its parsed question, or (not parsed) the bytes after its header.
DnsQuestion DnsQuestionOf(const uint8_t* data, size_t length);

/// True when the answer in data[0, length) asks `question`: the same parsed question, or for an unparsed
/// one the same bytes right after its header.
bool DnsAnswerMatches(const DnsQuestion& question, const uint8_t* data, size_t length);
