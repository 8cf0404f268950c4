#include "RasFixture.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "RasRecords.h"

const char kRasDefaultDevice[] = "Stand-in Modem";

namespace {

// What fits in the records, without the terminating zero.
constexpr size_t kMaxEntryName = rasrecords::kEntryNameField - 1;
constexpr size_t kMaxPhone = rasrecords::kPhoneNumberField - 1;
constexpr size_t kMaxUser = rasrecords::kUserNameField - 1;
constexpr size_t kMaxPassword = rasrecords::kPasswordField - 1;
constexpr size_t kMaxDomain = rasrecords::kDomainField - 1;
constexpr size_t kMaxDeviceName = rasrecords::kDeviceNameField - 1;
constexpr size_t kMaxDeviceType = rasrecords::kDeviceTypeField - 1;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCase(std::string text)
{
    for (char& c : text)
        c = Lower(c);
    return text;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

/// Splits at runs of blanks.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        const size_t begin = i;
        while (i < text.size() && !IsSpace(text[i]))
            ++i;
        if (i > begin)
            words.push_back(text.substr(begin, i - begin));
    }
    return words;
}

/// A decimal number without sign, at most MAX.
bool ParseNumber(const std::string& text, uint32_t max, uint32_t& value)
{
    if (text.empty())
        return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
        if (number > max)
            return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

bool ParseSwitch(const std::string& text, bool& value)
{
    const std::string word = LowerCase(text);
    if (word == "yes" || word == "1" || word == "true" || word == "on") {
        value = true;
        return true;
    }
    if (word == "no" || word == "0" || word == "false" || word == "off") {
        value = false;
        return true;
    }
    return false;
}

bool ParseOutcome(const std::string& text, RasFixtureEntry& entry)
{
    const std::vector<std::string> words = Words(text);
    if (words.empty())
        return false;
    const std::string kind = LowerCase(words[0]);
    uint32_t number = 0;
    if (kind == "connected" && words.size() == 1) {
        entry.outcome = RasOutcome::Connected;
        return true;
    }
    if ((kind == "error" || kind == "refused") && words.size() == 2 && ParseNumber(words[1], UINT32_MAX, number) &&
        number != 0) {
        entry.outcome = kind == "error" ? RasOutcome::Error : RasOutcome::Refused;
        entry.errorCode = number;
        return true;
    }
    if (kind == "disconnected" && (words.size() == 2 || words.size() == 3) &&
        ParseNumber(words[1], kRasMaxDelayMs, number)) {
        uint32_t error = 0;
        if (words.size() == 3 && !ParseNumber(words[2], UINT32_MAX, error))
            return false;
        entry.outcome = RasOutcome::Disconnected;
        entry.dropAfterMs = number;
        entry.dropError = error;
        return true;
    }
    return false;
}

enum class Section { None, Skipped, Entry, Device };

class CFixtureReader {
public:
    RasFixture Read(const std::string& text)
    {
        size_t begin = 0;
        while (begin <= text.size()) {
            size_t end = text.find('\n', begin);
            if (end == std::string::npos)
                end = text.size();
            ++line_;
            ReadLine(Trim(text.substr(begin, end - begin)));
            begin = end + 1;
        }
        for (const RasFixtureEntry& entry : fixture_.entries) {
            if (!fixture_.FindDevice(entry.device)) {
                RasFixtureDevice device;
                device.name = entry.device;
                fixture_.devices.push_back(device);
            }
        }
        return fixture_;
    }

private:
    void Problem(const std::string& what)
    {
        fixture_.problems.push_back("line " + std::to_string(line_) + ": " + what);
    }

    void ReadLine(const std::string& line)
    {
        if (line.empty() || line[0] == ';' || line[0] == '#')
            return;
        if (line[0] == '[') {
            ReadSection(line);
            return;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            Problem("not a key = value line");
            return;
        }
        const std::string key = LowerCase(Trim(line.substr(0, equals)));
        const std::string value = Trim(line.substr(equals + 1));
        switch (section_) {
        case Section::None:
            Problem("key '" + key + "' outside a section");
            break;
        case Section::Skipped:
            break;
        case Section::Entry:
            ReadEntryKey(key, value, fixture_.entries.back());
            break;
        case Section::Device:
            ReadDeviceKey(key, value, fixture_.devices.back());
            break;
        }
    }

    void ReadSection(const std::string& line)
    {
        section_ = Section::Skipped;
        if (line.back() != ']') {
            Problem("section header without ']'; its keys are skipped");
            return;
        }
        const std::string inner = Trim(line.substr(1, line.size() - 2));
        size_t split = 0;
        while (split < inner.size() && !IsSpace(inner[split]))
            ++split;
        const std::string kind = LowerCase(inner.substr(0, split));
        const std::string name = Trim(inner.substr(split));
        if (kind != "entry" && kind != "device") {
            Problem("section '" + kind + "' is neither entry nor device; its keys are skipped");
            return;
        }
        if (name.empty()) {
            Problem(kind + " without a name; its keys are skipped");
            return;
        }
        if (kind == "entry") {
            if (name.size() > kMaxEntryName) {
                Problem("entry name longer than " + std::to_string(kMaxEntryName) + " characters; skipped");
                return;
            }
            if (fixture_.FindEntry(name)) {
                Problem("entry '" + name + "' again; the first one stays");
                return;
            }
            RasFixtureEntry entry;
            entry.name = name;
            entry.device = kRasDefaultDevice;
            fixture_.entries.push_back(entry);
            section_ = Section::Entry;
            return;
        }
        if (name.size() > kMaxDeviceName) {
            Problem("device name longer than " + std::to_string(kMaxDeviceName) + " characters; skipped");
            return;
        }
        if (fixture_.FindDevice(name)) {
            Problem("device '" + name + "' again; the first one stays");
            return;
        }
        RasFixtureDevice device;
        device.name = name;
        fixture_.devices.push_back(device);
        section_ = Section::Device;
    }

    /// Sets FIELD to VALUE when it fits in MAX characters.
    void Text(const std::string& key, const std::string& value, size_t max, std::string& field)
    {
        if (value.size() > max) {
            Problem(key + " longer than " + std::to_string(max) + " characters; ignored");
            return;
        }
        field = value;
    }

    void ReadEntryKey(const std::string& key, const std::string& value, RasFixtureEntry& entry)
    {
        if (key == "device") {
            if (value.empty())
                Problem("device is empty; ignored");
            else
                Text(key, value, kMaxDeviceName, entry.device);
        } else if (key == "phone") {
            Text(key, value, kMaxPhone, entry.phone);
        } else if (key == "user") {
            Text(key, value, kMaxUser, entry.user);
        } else if (key == "password") {
            Text(key, value, kMaxPassword, entry.password);
        } else if (key == "domain") {
            Text(key, value, kMaxDomain, entry.domain);
        } else if (key == "outcome") {
            if (!ParseOutcome(value, entry))
                Problem("outcome is not 'connected', 'error N', 'refused N' or 'disconnected T [N]'; ignored");
        } else if (key == "delay") {
            if (!ParseNumber(value, kRasMaxDelayMs, entry.delayMs))
                Problem("delay is not a number of milliseconds up to " + std::to_string(kRasMaxDelayMs) + "; ignored");
        } else if (key == "authenticate") {
            if (!ParseSwitch(value, entry.authenticate))
                Problem("authenticate is not yes or no; ignored");
        } else if (key == "handle") {
            const std::string word = LowerCase(value);
            if (word == "early" || word == "late")
                entry.lateHandle = word == "late";
            else
                Problem("handle is not early or late; ignored");
        } else {
            Problem("unknown entry key '" + key + "'");
        }
    }

    void ReadDeviceKey(const std::string& key, const std::string& value, RasFixtureDevice& device)
    {
        if (key == "type") {
            if (value.empty())
                Problem("type is empty; ignored");
            else
                Text(key, value, kMaxDeviceType, device.type);
        } else {
            Problem("unknown device key '" + key + "'");
        }
    }

    RasFixture fixture_;
    Section section_ = Section::None;
    int line_ = 0;
};

}  // namespace

bool RasSameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

const RasFixtureEntry* RasFixture::FindEntry(const std::string& name) const
{
    for (const RasFixtureEntry& entry : entries) {
        if (RasSameName(entry.name, name))
            return &entry;
    }
    return nullptr;
}

const RasFixtureDevice* RasFixture::FindDevice(const std::string& name) const
{
    for (const RasFixtureDevice& device : devices) {
        if (RasSameName(device.name, name))
            return &device;
    }
    return nullptr;
}

RasFixture ParseRasFixture(const std::string& text)
{
    return CFixtureReader().Read(text);
}
