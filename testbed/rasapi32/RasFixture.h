#pragma once
// RasFixture: the phonebook of the stand-in RASAPI32.DLL, read from a text file that a test writes (the
// format is in docs/standin-rasapi32.md). Sections name an entry or a device:
//
//   [entry Provider One]        device, phone, user, password, domain, outcome, delay, authenticate, handle
//   [device Standard Modem]     type
//
// Pure: no file access and no windows.h, so the parser is tested natively. A line that cannot be used is
// skipped with a problem naming its line number; a problem never quotes the line's value, which may be a
// password.
#include <cstdint>
#include <string>
#include <vector>

/// What a dial of an entry ends in.
enum class RasOutcome {
    Connected,     // reports connected and stays up
    Error,         // reports the error code (with the state it failed in) after the delay
    Refused,       // RasDialA itself returns the error code, with a handle that must be hung up
    Disconnected,  // connects, then after dropAfterMs the link drops: reports disconnected with dropError
};

struct RasFixtureEntry {
    std::string name;
    std::string device;  // a device of the fixture; kRasDefaultDevice when not given
    std::string phone;
    std::string user;
    std::string password;
    std::string domain;
    RasOutcome outcome = RasOutcome::Connected;
    uint32_t errorCode = 0;  // Error and Refused
    uint32_t delayMs = 0;    // from the start of the dial to its outcome
    uint32_t dropAfterMs = 0;
    uint32_t dropError = 0;
    /// The dial fails with 691 at the authentication state unless it carries the stored user and password.
    bool authenticate = false;
    /// The caller's handle is written only after a delay-0 dial has reported its outcome, instead of before
    /// the first report.
    bool lateHandle = false;
};

struct RasFixtureDevice {
    std::string name;
    std::string type = "modem";
};

struct RasFixture {
    std::vector<RasFixtureEntry> entries;  // in file order
    /// The declared devices in file order, then every device an entry names that none declares.
    std::vector<RasFixtureDevice> devices;
    /// "line N: ..." for each line that was skipped.
    std::vector<std::string> problems;

    /// The entry of that name, compared without regard to case; nullptr when there is none.
    const RasFixtureEntry* FindEntry(const std::string& name) const;
    /// The device of that name, compared without regard to case; nullptr when there is none.
    const RasFixtureDevice* FindDevice(const std::string& name) const;
};

/// The device of an entry that names none.
extern const char kRasDefaultDevice[];

/// Longest delay or drop time accepted, in ms: a test that waits longer than this is waiting for nothing.
constexpr uint32_t kRasMaxDelayMs = 600000;

/// Reads a fixture. Never fails: what cannot be used is left out and listed in problems.
RasFixture ParseRasFixture(const std::string& text);

/// Case-insensitive equality of ASCII names, as the dial-up library compares entry names.
bool RasSameName(const std::string& a, const std::string& b);
