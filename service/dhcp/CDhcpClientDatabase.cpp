#include "CDhcpClientDatabase.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "DhcpWire.h"

namespace {

// Hands out the file's bytes in the order the fields are stored; a request for more than is left fails.
class RecordReader {
public:
    RecordReader(const uint8_t* bytes, size_t length) : bytes_(bytes), length_(length) {}

    bool Take(size_t count, const uint8_t** out)
    {
        if (length_ - at_ < count) {
            return false;
        }
        *out = bytes_ + at_;
        at_ += count;
        return true;
    }

    bool TakeString(DhcpId* id)
    {
        const uint8_t* length = nullptr;
        const uint8_t* value = nullptr;
        if (!Take(1, &length) || !Take(*length, &value)) {
            return false;
        }
        id->Assign(value, *length);
        return true;
    }

private:
    const uint8_t* bytes_;
    size_t length_;
    size_t at_ = 0;
};

// The header as NUL-terminated text: the bytes up to the first NUL, or all 22 when none is there.
bool HeaderIs(const uint8_t* header, const char* text)
{
    size_t length = 0;
    while (length < kDbHeaderSize && header[length] != 0) {
        ++length;
    }
    return length == std::strlen(text) && std::memcmp(header, text, length) == 0;
}

void AppendString(std::vector<uint8_t>* out, const DhcpId& id)
{
    out->push_back(id.chLen);
    out->insert(out->end(), id.bytes, id.bytes + id.chLen);
}

}  // namespace

// What the service log says when the database is kept from harm.
constexpr char kUnreadableText[] = "DHCP client database cannot be read: it is not saved over until it can";
constexpr char kSetAsideText[] = "DHCP client database of an unknown version set aside as %s";
constexpr char kUnreadableNowReadText[] = "DHCP client database read at last, %u entries merged";

CDhcpClientDatabase::CDhcpClientDatabase(IDhcpFileSystem* files, const std::string& path, const CDhcpTrace& trace,
                                         IDhcpServiceLog* serviceLog)
    : files_(files), path_(path), trace_(trace), serviceLog_(serviceLog)
{}

void CDhcpClientDatabase::Notice(const char* text)
{
    trace_.Line(text);
    if (serviceLog_ != nullptr) {
        serviceLog_->ServiceLine(text);
    }
}

CDhcpClientDatabase::ReadOutcome CDhcpClientDatabase::ReadExisting(std::vector<uint8_t>* bytes)
{
    for (int attempt = 0; attempt < kDhcpDatabaseReadAttempts; ++attempt) {
        bytes->clear();
        if (ReadCurrent(bytes)) {
            return ReadOutcome::Read;
        }
        if (!files_->FileExists(path_)) {
            return ReadOutcome::Missing;
        }
    }
    return ReadOutcome::Unreadable;
}

bool CDhcpClientDatabase::SetAside()
{
    for (int n = 0; n < kDhcpDatabaseBadNames; ++n) {
        std::string name = path_ + kDhcpDatabaseBadSuffix;
        if (n > 0) {
            name += std::to_string(n);
        }
        if (files_->FileExists(name)) {
            continue;
        }
        if (!files_->RenameFile(path_, name)) {
            return false;
        }
        const size_t slash = name.find_last_of("\\/");
        const std::string shown = slash == std::string::npos ? name : name.substr(slash + 1);
        char text[kFormattedMessageSize];
        std::snprintf(text, sizeof(text), kSetAsideText, shown.c_str());
        Notice(text);
        return true;
    }
    return false;
}

void CDhcpClientDatabase::TakeContent(const std::vector<uint8_t>& bytes, CDhcpClientTable* table)
{
    switch (Decode(bytes.data(), bytes.size(), table)) {
    case DhcpDatabaseContent::Loaded:
        break;
    case DhcpDatabaseContent::InvalidHeader:
        trace_.Line("Invalid client database file!!");
        // A later version's file, or one damaged on the disk: either way its leases are not this build's
        // to throw away. Saving over it waits until it is out of the way.
        if (!SetAside()) {
            holdSaves_ = true;
            Notice(kUnreadableText);
        }
        return;
    case DhcpDatabaseContent::OutOfMemory:
        trace_.Line("Memory error building client list!!");
        break;
    }
    fileHasRecords_ = fileHasRecords_ || table->Count() != 0;
    const size_t tidied = table->TidyAfterLoad();
    if (tidied != 0) {
        trace_.Format("Client database: %u entries corrected or dropped", static_cast<unsigned>(tidied));
    }
}

bool CDhcpClientDatabase::CatchUp(CDhcpClientTable& table)
{
    std::vector<uint8_t> bytes;
    switch (ReadExisting(&bytes)) {
    case ReadOutcome::Unreadable:
        return false;
    case ReadOutcome::Missing:
        holdSaves_ = false;
        return true;
    case ReadOutcome::Read:
        break;
    }
    holdSaves_ = false;
    CDhcpClientTable stored;
    TakeContent(bytes, &stored);
    if (holdSaves_) {
        return false;
    }
    const size_t merged = table.MergeFrom(stored);
    char text[kFormattedMessageSize];
    std::snprintf(text, sizeof(text), kUnreadableNowReadText, static_cast<unsigned>(merged));
    Notice(text);
    return true;
}

std::vector<uint8_t> CDhcpClientDatabase::Encode(const CDhcpClientTable& table)
{
    std::vector<uint8_t> out(kDbHeaderV11, kDbHeaderV11 + kDbHeaderSize);
    for (size_t i = 0; i < table.Count(); ++i) {
        const DhcpClientEntry& e = table.At(i);
        AppendString(&out, e.idId);
        AppendString(&out, e.idHostname);
        uint8_t fixed[kDbFixedPartV11];
        fixed[kDbHardwareTypeOffset] = e.hdwrAddr.chType;
        fixed[kDbHardwareLengthOffset] = e.hdwrAddr.chLen;
        std::memcpy(fixed + kDbHardwareBytesOffset, e.hdwrAddr.bytes, kDhcpChaddrSize);
        StoreLe32(fixed + kDbAddressOffset, e.inAddr);
        StoreLe32(fixed + kDbLeaseStartOffset, e.leaseStart);
        StoreLe32(fixed + kDbLeaseTimeOffset, e.leaseTime);
        StoreLe32(fixed + kDbInternetAccessOffset, e.internetAccess);
        out.insert(out.end(), fixed, fixed + sizeof(fixed));
    }
    return out;
}

DhcpDatabaseContent CDhcpClientDatabase::Decode(const uint8_t* bytes, size_t length, CDhcpClientTable* table)
{
    RecordReader reader(bytes, length);
    const uint8_t* header = nullptr;
    if (!reader.Take(kDbHeaderSize, &header)) {
        return DhcpDatabaseContent::InvalidHeader;
    }
    size_t fixedPart = 0;
    if (HeaderIs(header, kDbHeaderV11)) {
        fixedPart = kDbFixedPartV11;
    } else if (HeaderIs(header, kDbHeaderV10)) {
        fixedPart = kDbFixedPartV10;
    } else {
        return DhcpDatabaseContent::InvalidHeader;
    }
    for (;;) {
        DhcpClientEntry e;
        const uint8_t* fixed = nullptr;
        if (!reader.TakeString(&e.idId) || !reader.TakeString(&e.idHostname) || !reader.Take(fixedPart, &fixed)) {
            return DhcpDatabaseContent::Loaded;
        }
        e.hdwrAddr.chType = fixed[kDbHardwareTypeOffset];
        e.hdwrAddr.chLen = fixed[kDbHardwareLengthOffset];
        std::memcpy(e.hdwrAddr.bytes, fixed + kDbHardwareBytesOffset, kDhcpChaddrSize);
        e.inAddr = LoadLe32(fixed + kDbAddressOffset);
        e.leaseStart = LoadLe32(fixed + kDbLeaseStartOffset);
        e.leaseTime = LoadLe32(fixed + kDbLeaseTimeOffset);
        e.internetAccess = fixedPart == kDbFixedPartV11 ? LoadLe32(fixed + kDbInternetAccessOffset) : 0;
        if (!table->Append(e)) {
            return DhcpDatabaseContent::OutOfMemory;
        }
    }
}

bool CDhcpClientDatabase::ReadCurrent(std::vector<uint8_t>* bytes)
{
    if (files_->ReadWholeFile(path_, bytes)) {
        return true;
    }
    // Only a swap by renames leaves the database missing beside the old copy; the new file was complete and
    // flushed before the first rename, so it is the table to take.
    if (files_->FileExists(path_) || !files_->FileExists(OldPath())) {
        return false;
    }
    if (files_->ReadWholeFile(NewPath(), bytes)) {
        if (files_->RenameFile(NewPath(), path_)) {
            files_->RemoveFile(OldPath());
        }
        return true;
    }
    if (files_->ReadWholeFile(OldPath(), bytes)) {
        files_->RenameFile(OldPath(), path_);
        return true;
    }
    return false;
}

void CDhcpClientDatabase::Load(CDhcpClientTable* table)
{
    trace_.Line("CDhcpServer::LoadClientList()");
    table->Clear();
    holdSaves_ = false;
    fileHasRecords_ = false;
    // The file may have been changed since this object last wrote it (a load runs at a start, when no
    // save is under way): the next save writes whatever it holds.
    onDiskKnown_ = false;
    std::vector<uint8_t> bytes;
    ReadOutcome read = ReadOutcome::Missing;
    try {
        read = ReadExisting(&bytes);
    } catch (const std::bad_alloc&) {
        trace_.Line("Memory error building client list!!");
        holdSaves_ = files_->FileExists(path_);
        return;
    }
    switch (read) {
    case ReadOutcome::Missing:
        trace_.Line("Unable to open client database file");
        return;
    case ReadOutcome::Unreadable:
        trace_.Line("Unable to open client database file");
        holdSaves_ = true;
        Notice(kUnreadableText);
        return;
    case ReadOutcome::Read:
        break;
    }
    TakeContent(bytes, table);
}

bool CDhcpClientDatabase::SwapByRenames()
{
    // An old copy left by an earlier swap whose last step failed is of no use any more.
    files_->RemoveFile(OldPath());
    const bool hadDatabase = files_->FileExists(path_);
    if (hadDatabase && !files_->RenameFile(path_, OldPath())) {
        return false;
    }
    if (!files_->RenameFile(NewPath(), path_)) {
        if (hadDatabase) {
            files_->RenameFile(OldPath(), path_);
        }
        return false;
    }
    files_->RemoveFile(OldPath());
    return true;
}

void CDhcpClientDatabase::Save(CDhcpClientTable& table)
{
    WriteSnapshot(TakeSnapshot(table));
}

void CDhcpClientDatabase::Save(const CDhcpClientTable& table)
{
    trace_.Line("CDhcpServer::SaveClientList()");
    if (holdSaves_) {
        trace_.Line("Unable to write Client database");
        return;
    }
    WriteSnapshot(Encoded(table));
}

DhcpSaveSnapshot CDhcpClientDatabase::TakeSnapshot(CDhcpClientTable& table)
{
    trace_.Line("CDhcpServer::SaveClientList()");
    if (holdSaves_ && !CatchUp(table)) {
        trace_.Line("Unable to write Client database");
        return DhcpSaveSnapshot();
    }
    return Encoded(table);
}

DhcpSaveSnapshot CDhcpClientDatabase::Encoded(const CDhcpClientTable& table)
{
    DhcpSaveSnapshot snapshot;
    // An empty table leaves the file alone, unless the file holds leases the table has given up since
    // (every client released, or its entry taken back): those must not come back at the next start.
    if (table.Count() == 0 && !fileHasRecords_) {
        return snapshot;
    }
    fileHasRecords_ = table.Count() != 0;
    try {
        snapshot.bytes = Encode(table);
    } catch (const std::bad_alloc&) {
        trace_.Line("Unable to write Client database");
        return snapshot;
    }
    snapshot.write = true;
    snapshot.generation = ++generation_;
    return snapshot;
}

void CDhcpClientDatabase::WriteSnapshot(const DhcpSaveSnapshot& snapshot)
{
    if (!snapshot.write || snapshot.generation <= written_) {
        return;
    }
    written_ = snapshot.generation;
    // A renewal within the second of the last save changes no byte of the file: what it grants is on disk
    // already, and the flush (milliseconds on a real disk) is spared. A file removed meanwhile is written.
    if (onDiskKnown_ && snapshot.bytes == onDisk_ && files_->FileExists(path_)) {
        return;
    }
    onDiskKnown_ = Write(snapshot.bytes);
    if (onDiskKnown_) {
        onDisk_ = snapshot.bytes;
    }
}

bool CDhcpClientDatabase::Write(const std::vector<uint8_t>& bytes)
{
    const std::string newPath = NewPath();
    if (!files_->CreateForWriting(newPath)) {
        trace_.Line("Unable to open client database file for writing");
        return false;
    }
    if (files_->WriteBytes(bytes.data(), bytes.size()) != bytes.size()) {
        files_->CloseWriting();
        files_->RemoveFile(newPath);
        trace_.Line("Unable to write Client database");
        return false;
    }
    if (!files_->FlushAndClose()) {
        files_->RemoveFile(newPath);
        trace_.Line("Unable to write Client database");
        return false;
    }
    bool swapped = false;
    switch (files_->ReplaceInOneStep(newPath, path_)) {
    case DhcpReplaceResult::Replaced:
        swapped = true;
        break;
    case DhcpReplaceResult::Unsupported:
        swapped = SwapByRenames();
        break;
    case DhcpReplaceResult::Failed:
        break;
    }
    if (!swapped) {
        files_->RemoveFile(newPath);
        trace_.Line("Unable to write Client database");
    }
    return swapped;
}
