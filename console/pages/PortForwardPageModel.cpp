#include "PortForwardPageModel.h"

#include <cstdio>

#include "PageFields.h"
#include "PortForwardValue.h"

namespace {
bool IsTcp(uint16_t protocol)
{
    return protocol != 0;
}

std::string LineFor(size_t index, const PortForwardRecord& r)
{
    char line[96];
    std::snprintf(line, sizeof line, kPortForwardLineFormat, static_cast<int>(index), static_cast<int>(r.protocol),
                  static_cast<int>(r.port), static_cast<int>(r.inAddr & 0xFF), static_cast<int>((r.inAddr >> 8) & 0xFF),
                  static_cast<int>((r.inAddr >> 16) & 0xFF), static_cast<int>((r.inAddr >> 24) & 0xFF));
    return line;
}
}  // namespace

PortForwardRecord CPortForwardPageModel::NewRecord()
{
    const int32_t fields[kPortForwardFieldCount] = {1, 80, 192, 168, 0, 1};
    return PortForwardFromFields(fields);
}

PortForwardRowTexts CPortForwardPageModel::TextsFor(const PortForwardRecord& record)
{
    PortForwardRowTexts texts;
    texts.protocol = IsTcp(record.protocol) ? "Tcp" : "Udp";
    texts.port = std::to_string(record.port);
    texts.destination = FormatPageAddress(record.inAddr);
    return texts;
}

int CPortForwardPageModel::DropDownIndexFor(int port)
{
    for (size_t i = 0; i < sizeof kPortForwardDropDownPorts / sizeof kPortForwardDropDownPorts[0]; ++i) {
        if (kPortForwardDropDownPorts[i] == port) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

PortForwardBytes CPortForwardPageModel::GetRequestFor(uint16_t index)
{
    PortForwardRecord request;
    request.index = index;
    return EncodePortForward(request);
}

bool CPortForwardPageModel::LoadRecord(const uint8_t* output, size_t length)
{
    PortForwardRecord answer;
    if (!DecodePortForward(output, length, answer)) {
        return false;
    }
    // The row keeps what the driver applies; the entry index and the reserved field belong to the request.
    PortForwardRecord record;
    record.protocol = answer.protocol;
    record.inAddr = answer.inAddr;
    record.port = answer.port;
    rows_.insert(rows_.begin(), record);
    return true;
}

PortForwardDialogCheck CPortForwardPageModel::CheckDialog(const PortForwardDialogInputs& in, bool editing) const
{
    PortForwardDialogCheck check;
    const int port = ReadLeadingSignedField(in.portText);
    if (port < 1 || port > 65535) {
        check.message = kPortForwardPortRangeText;
        check.caption = "";
        check.focusPort = true;
        return check;
    }
    const int32_t fields[kPortForwardFieldCount] = {in.tcp ? 1 : 0, port,         in.octets[0],
                                                    in.octets[1],   in.octets[2], in.octets[3]};
    const PortForwardRecord record = PortForwardFromFields(fields);
    if (!editing) {
        for (const PortForwardRecord& row : rows_) {
            if (IsTcp(row.protocol) == IsTcp(record.protocol) && row.port == record.port) {
                check.message = kPortForwardDuplicateText;
                check.caption = kPortForwardErrorCaption;
                return check;
            }
        }
    }
    check.ok = true;
    check.record = record;
    return check;
}

const char* CPortForwardPageModel::AddRefusal(const PortForwardRecord& record) const
{
    std::vector<PortForwardRecord> after(rows_);
    after.insert(after.begin(), record);
    return SectionSize(after) <= kPortForwardSectionBuffer ? nullptr : kPortForwardNoRoomText;
}

const char* CPortForwardPageModel::ChangeRefusal(size_t row, const PortForwardRecord& record) const
{
    if (row >= rows_.size()) {
        return nullptr;
    }
    std::vector<PortForwardRecord> after(rows_);
    after[row] = record;
    return SectionSize(after) <= kPortForwardSectionBuffer ? nullptr : kPortForwardNoRoomText;
}

const char* CPortForwardPageModel::Added(bool accepted, const PortForwardRecord& record)
{
    if (!accepted) {
        return kPortForwardAddFailureText;
    }
    rows_.insert(rows_.begin(), record);
    return nullptr;
}

const char* CPortForwardPageModel::Changed(bool accepted, size_t row, const PortForwardRecord& record)
{
    if (!accepted) {
        return kPortForwardAddFailureText;
    }
    if (row < rows_.size()) {
        rows_[row] = record;
    }
    return nullptr;
}

const char* CPortForwardPageModel::Removed(bool accepted, size_t row)
{
    if (!accepted) {
        return kPortForwardRemoveFailureText;
    }
    if (row < rows_.size()) {
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    }
    return nullptr;
}

size_t CPortForwardPageModel::SectionSize(const std::vector<PortForwardRecord>& rows)
{
    size_t size = 1;  // the closing NUL
    for (size_t i = 0; i < rows.size(); ++i) {
        size += LineFor(i, rows[i]).size() + 1;
    }
    // An empty section is still two zeros in the buffer.
    return rows.empty() ? 2 : size;
}

bool CPortForwardPageModel::BuildSection(std::string* lines) const
{
    if (SectionSize(rows_) > kPortForwardSectionBuffer) {
        return false;
    }
    std::string text;
    for (size_t i = 0; i < rows_.size(); ++i) {
        text += LineFor(i, rows_[i]);
        text += '\0';
    }
    text += '\0';
    *lines = text;
    return true;
}
