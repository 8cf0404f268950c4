#include "DnsQuestion.h"

#include <cstring>

#include "DnsWire.h"

namespace {

char FoldCase(uint8_t c)
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

}  // namespace

bool DnsParseQuestion(const uint8_t* data, size_t length, std::string* key)
{
    if (length < kDnsHeaderSize || DnsReadCount(data, kDnsQdCountOffset) != 1)
        return false;
    std::string folded;
    size_t at = kDnsQuestionOffset;
    for (;;) {
        if (at >= length)
            return false;
        const uint8_t label = data[at];
        if ((label & kDnsLabelKindMask) != 0 || label > kDnsMaxLabelLength)
            return false;
        if (folded.size() + 1 + label > kDnsMaxNameLength)
            return false;
        if (label > length - at - 1)
            return false;
        folded.push_back(static_cast<char>(label));
        for (size_t i = 0; i < label; ++i)
            folded.push_back(FoldCase(data[at + 1 + i]));
        at += 1 + label;
        if (label == 0)
            break;
    }
    if (length - at < kDnsQuestionTailSize)
        return false;
    folded.append(reinterpret_cast<const char*>(data + at), kDnsQuestionTailSize);
    if (key != nullptr)
        key->swap(folded);
    return true;
}

DnsQuestion DnsQuestionOf(const uint8_t* data, size_t length)
{
    DnsQuestion question;
    question.parsed = DnsParseQuestion(data, length, &question.bytes);
    if (!question.parsed && length > kDnsHeaderSize)
        question.bytes.assign(reinterpret_cast<const char*>(data + kDnsHeaderSize), length - kDnsHeaderSize);
    return question;
}

namespace {

/// The message's one question equals `key` (a folded question): compared as it is read, without a copy.
bool QuestionEquals(const std::string& key, const uint8_t* data, size_t length)
{
    if (length < kDnsHeaderSize || DnsReadCount(data, kDnsQdCountOffset) != 1)
        return false;
    if (key.size() < kDnsQuestionTailSize + 1 || length - kDnsHeaderSize < key.size())
        return false;
    const size_t nameLength = key.size() - kDnsQuestionTailSize;
    const uint8_t* at = data + kDnsQuestionOffset;
    // The key's labels are well formed, so walking them walks the answer's name as long as the two agree;
    // a length byte in the answer that differs ends the walk at once.
    size_t i = 0;
    while (i < nameLength) {
        const uint8_t label = static_cast<uint8_t>(key[i]);
        if (at[i] != label)
            return false;
        for (size_t j = 1; j <= label; ++j)
            if (FoldCase(at[i + j]) != key[i + j])
                return false;
        i += 1 + label;
    }
    return std::memcmp(at + nameLength, key.data() + nameLength, kDnsQuestionTailSize) == 0;
}

}  // namespace

bool DnsAnswerMatches(const DnsQuestion& question, const uint8_t* data, size_t length)
{
    if (question.parsed)
        return QuestionEquals(question.bytes, data, length);
    if (length < kDnsHeaderSize || length - kDnsHeaderSize < question.bytes.size())
        return false;
    return question.bytes.empty() ||
           std::memcmp(data + kDnsHeaderSize, question.bytes.data(), question.bytes.size()) == 0;
}
