#pragma once
// CDhcpServerCore: the DHCP server's logic without its sockets and threads: the client table and the
// offer list, address reservation, the handling of every message type, lease and offer expiry, and the
// client database. The Win32 runtime (CDhcpServer) owns one, feeds it the received messages on its packet
// thread, and reaches it from the service-main thread for the console's snapshot and pool change and for
// start and stop.
//
// Locking: every public operation takes the injected lock itself, around table work only. It is released
// across each address probe, each send, each plug-in call and each write of the client file (the save's
// bytes are taken under it and written under the save lock), so the main thread never waits for a probe
// or a disk flush.
// The core holds no pointer into the tables across such a gap: what it needs afterwards is looked up again.
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "CDHCPPacket.h"
#include "CDhcpClientDatabase.h"
#include "CDhcpClientTable.h"
#include "CDhcpOfferList.h"
#include "DhcpHostInterfaces.h"
#include "DhcpServerContext.h"
#include "IpcWire.h"

/// Everything the core is given. Only `accessProvider`, `lock`, `saveLock` and `serviceLog` may be null (no
/// plug-in; no second thread; no service log).
struct DhcpCollaborators {
    IDhcpClock* clock = nullptr;
    IDhcpAddressProbe* probe = nullptr;
    IDhcpReplySender* sender = nullptr;
    IDhcpTraceSink* trace = nullptr;
    IDhcpFileSystem* files = nullptr;
    IDhcpAccessProvider* accessProvider = nullptr;
    IDhcpLock* lock = nullptr;
    /// Lets one save write the file at a time; saves write without the table lock, so that the console's
    /// client list never waits for the disk. Null: no second thread.
    IDhcpLock* saveLock = nullptr;
    IDhcpServiceLog* serviceLog = nullptr;  ///< may be null: what the database must tell the user is traced only
    std::string computerName;               ///< written into sname
    std::string databasePath;               ///< program directory followed by kDhcpDatabaseFileName
};

/// An open offer left standing this long may be taken over when the pool has nothing else: its client has
/// not asked for it, though clients ask within moments of the offer.
constexpr uint32_t kDhcpOfferTakeOverSeconds = 2;

class CDhcpServerCore {
public:
    explicit CDhcpServerCore(const DhcpCollaborators& collaborators);
    CDhcpServerCore(const CDhcpServerCore&) = delete;
    CDhcpServerCore& operator=(const CDhcpServerCore&) = delete;

    /// The settings of this run: the clamped settings with `serverAddress` chosen (and the pool moved behind
    /// the server where that rule applies). Called at each start, before the packet thread runs.
    void Configure(const DhcpSettings& settings);
    DhcpSettings Settings() const;
    /// What received messages are built against: `new CDHCPPacket(core.Context(), bytes, length)`.
    const DhcpServerContext& Context() const { return context_; }

    /// Checks and handles one received message (packet thread).
    void HandlePacket(CDHCPPacket& packet);
    /// Checks and handles received messages in order as one batch: their table changes first, then one save
    /// of the client file when any of them granted or extended a lease, then their replies in order, each
    /// ACK followed by the plug-in's lease notice. A DISCOVER answers at once (it needs no save, and may wait
    /// for its probe), so the runtime hands DISCOVERs to its probe threads and the rest here.
    void HandleBatch(CDHCPPacket* const* packets, size_t count);
    /// The same for raw bytes.
    void HandleDatagram(const uint8_t* bytes, size_t length);

    /// Ends leases that have run out, each with an expiry NAK and the plug-in's release notice (packet
    /// thread; and once at start, from the thread that runs it).
    void ExpireLeases();
    /// Removes offers older than `OfferAddrTimeout` (packet thread).
    void ExpireOffers();

    /// LoadClientList: the client table from the database (start).
    void LoadClientList();
    /// SaveClientList: the client table to the database (also at stop).
    void SaveClientList();
    /// Empties the client table (stop, after the save).
    void ClearClientTable();

    /// New pool bounds from the console while running (clamped like the settings file's); later
    /// reservations use them, existing entries keep their addresses.
    void SetPool(uint32_t lowAddress, uint32_t highAddress);
    uint32_t PoolLow() const;
    uint32_t PoolHigh() const;
    /// The pool's network: first three octets of `AssignedIp`, fourth octet 0.
    uint32_t Network() const;
    /// The client entries with a lease, for the console's client list.
    std::vector<IpcClientEntry> Snapshot() const;

    /// An address of the pool for an OFFER, or kDhcpNoAddress. Reservations may run side by side (one per
    /// DISCOVER being answered); an address being probed is reserved for the reservation probing it.
    uint32_t ReserveAddress();
    /// Addresses reserved by reservations under way (for tests).
    size_t ProbingCount() const;

    // For tests, benchmarks and fuzzing: copies of the tables, and a way to fill the client table.
    std::vector<DhcpClientEntry> ClientEntries() const;
    std::vector<DhcpOfferEntry> OfferEntries() const;
    bool AddClientEntry(const DhcpClientEntry& entry);

private:
    class Guard;
    class Reservation;
    class Answering;
    friend class Reservation;
    friend class Answering;

    uint32_t ReserveAddress(Reservation& reservation);
    /// Removes the oldest open offer of the pool left standing kDhcpOfferTakeOverSeconds and reserves its
    /// address (lock held); 0 when there is none.
    uint32_t TakeOverOldestOffer(Reservation& reservation, uint32_t low, uint32_t high, uint32_t network,
                                 uint32_t server);
    /// True while a reservation under way holds `address` (lock held).
    bool IsProbing(uint32_t address) const;

    /// A reply built while a batch is handled, sent when the batch commits.
    struct PendingReply {
        CDHCPPacket* packet = nullptr;  ///< holds the reply's bytes
        DhcpBuiltReply built;
        const char* failure = nullptr;  ///< traced when the send fails
        bool tellLease = false;         ///< an ACK: the plug-in hears of the lease once it was sent
        DhcpHardwareAddress hardware;
        uint32_t address = 0;
    };
    struct Batch {
        std::vector<PendingReply> replies;
        bool save = false;  ///< a lease was granted or extended
    };

    void OnDiscover(CDHCPPacket& packet);
    void OnRequest(CDHCPPacket& packet, Batch& batch);
    void OnRequestAfterOffer(CDHCPPacket& packet, Batch& batch);
    void OnRenewal(CDHCPPacket& packet, Batch& batch);
    void OnDecline(CDHCPPacket& packet, Batch& batch);
    void OnRelease(CDHCPPacket& packet);
    void OnInform(CDHCPPacket& packet, Batch& batch);
    void QueueNak(CDHCPPacket& packet, Batch& batch);
    /// A reply that needs nothing but its kind (INFORM's ACK, a NAK) into the batch.
    void QueueReply(CDHCPPacket& packet, DhcpReplyKind kind, Batch& batch);
    /// A NAK sent at once (a DISCOVER the plug-in refused).
    void SendNak(CDHCPPacket& packet);
    void SendExpiryNak(const DhcpHardwareAddress& hardware);
    /// Builds the ACK for `entry` into the batch (lock held); whether the router option went in becomes its
    /// internetAccess.
    void QueueAck(CDHCPPacket& packet, DhcpClientEntry* entry, Batch& batch);
    /// The save, then the replies.
    void Commit(Batch& batch);
    /// Traces the banner, the dump and the destination, and sends (lock not held).
    bool SendReply(const CDHCPPacket& packet, const DhcpBuiltReply& built);
    bool Probe(uint32_t address);
    /// Held by a client entry or an open offer: not free for the first pass (lock held).
    bool HeldForReservation(uint32_t address);
    /// Held by an entry whose lease has ended and by no open offer: the second pass may take it (lock held).
    bool Reclaimable(uint32_t address);
    /// RecordLease; the batch then saves (lock held).
    DhcpClientEntry* RecordLease(const DhcpOfferEntry& offer, Batch& batch);
    /// Writes a snapshot taken under the table lock, with only the save lock held.
    void WriteSave(const DhcpSaveSnapshot& save);
    /// The table work of a DECLINE (takes the lock).
    void ParkDeclined(const DhcpClientKey& key, uint32_t declined, Batch& batch);

    DhcpCollaborators host_;
    DhcpServerContext context_;
    CDhcpClientTable clients_;
    CDhcpOfferList offers_;
    CDhcpClientDatabase database_;
    std::vector<uint32_t> probing_;        ///< addresses reserved while they are probed
    std::list<DhcpOfferEntry> answering_;  ///< clients whose DISCOVER is being answered
};
