// command_line_fuzz: arbitrary text as the daemon's command line (without the program name). The text sits
// in a heap block of exactly its length and terminator. The answer must be the one a plain scan for "-i"
// and "-u" in any case gives: install wherever "-i" occurs, else remove wherever "-u" occurs, else run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "CommandLine.h"

namespace {

bool HasSwitch(const char* text, size_t length, char letter)
{
    for (size_t i = 0; i + 1 < length; ++i) {
        if (text[i] == '-' && (text[i + 1] == letter || text[i + 1] == letter - 'a' + 'A')) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    // The line ends at its first zero byte, as the system hands it over.
    const size_t length = std::strlen(text.get());

    DaemonCommand expected = DaemonCommand::Run;
    if (HasSwitch(text.get(), length, 'i')) {
        expected = DaemonCommand::Install;
    } else if (HasSwitch(text.get(), length, 'u')) {
        expected = DaemonCommand::Remove;
    }
    if (ParseCommandLine(text.get()) != expected) {
        std::abort();
    }
    return 0;
}
