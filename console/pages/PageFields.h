#pragma once
// What the console's pages read from their edit fields and how they show addresses, shared by the page
// models. Fields are read from their text, so the rules of each reading are tested here rather than left to
// the dialog functions. No windows.h.
#include <cstdint>
#include <string>

/// What the DHCP, DNS and NetAlarm pages show when the service did not answer a load, and a send.
constexpr char kPageCommFailureText[] = "There was an error communicating with the Ombrix Service";
constexpr char kPageSendFailureText[] =
    "There was an error communicating with the Ombrix Service. Setting may not have been updated.";

/// An IPv4 address held in network order (first octet in the lowest byte) as "%i.%i.%i.%i".
std::string FormatPageAddress(uint32_t inAddr);

/// The first three octets of a network address in network order as "%i.%i.%i.", the prefix shown before
/// a host number.
std::string FormatPagePrefix(uint32_t inAddr);

/// A field read as an unsigned number: blanks around it allowed, otherwise decimal digits only. Empty text,
/// any other character (a sign among them) or a value beyond 32 bits is not a number: false, value left
/// as it was.
bool ReadUnsignedField(const std::string& text, uint32_t* value);

/// The number at the start of a field's text, read as signed: leading blanks skipped, an optional sign,
/// the digits up to the first other character ("80 - HTTP" is 80). No digits give 0. A value beyond the
/// range of int is held at INT_MIN or INT_MAX, so that no long string of digits wraps round into range.
int ReadLeadingSignedField(const std::string& text);

/// The path of fileName in the directory of the console's own module: everything after the module path's
/// last backslash is replaced by fileName. False, out untouched, when the path has no backslash.
bool BuildPathBesideConsole(const std::string& modulePath, const char* fileName, std::string* out);
