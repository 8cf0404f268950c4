#pragma once
// CDHCPPacket: one DHCP message in hand, from receipt until its handling ends: the request as received,
// the reply under construction, and where the request's options are. Fixed size; nothing is allocated
// while options are located or a reply is built.
#include <cstddef>
#include <cstdint>

#include "DhcpIdentity.h"
#include "DhcpServerContext.h"
#include "DhcpWire.h"

/// What the walk of the parameter request list did.
struct DhcpParameterWalk {
    bool wroteRouter = false;      ///< option 3 went in (listed, or appended behind the list)
    bool listedServerId = false;   ///< 54 was in the list (and written there)
    bool listedLeaseTime = false;  ///< 51 was in the list (and written there, with 58)
};

/// What the server decided to answer. The packet builds the whole reply from it in one call.
enum class DhcpReplyKind {
    Offer,      ///< yiaddr the offered address; requested parameters, then 54, 51 and 58 unless listed
    Ack,        ///< the same for a client entry's address
    InformAck,  ///< yiaddr and ciaddr as requested; requested parameters only
    Nak,        ///< 54 only
    ExpiryNak,  ///< a fresh message for `hardware`; 54 only
};

struct DhcpReplyPlan {
    DhcpReplyKind kind = DhcpReplyKind::Nak;
    uint32_t yiaddr = 0;           ///< Offer, Ack
    DhcpHardwareAddress hardware;  ///< ExpiryNak
};

/// The finished reply's facts the server needs to send it.
struct DhcpBuiltReply {
    uint32_t destination = 0;      ///< ciaddr or the broadcast address
    const char* banner = nullptr;  ///< the trace line in front of its dump
    bool wroteRouter = false;      ///< the router option went in (an ACK's internetAccess)
};

class CDHCPPacket {
public:
    /// A received datagram. Only the first kDhcpMessageBufferSize bytes of a longer one are kept: the
    /// message is handled as if it ended there (the options it loses are simply not found).
    CDHCPPacket(const DhcpServerContext& server, const uint8_t* bytes, size_t length);
    /// A message with both buffers all zero and no request (the expiry NAK).
    explicit CDHCPPacket(const DhcpServerContext& server);
    CDHCPPacket(const CDHCPPacket&) = delete;
    CDHCPPacket& operator=(const CDHCPPacket&) = delete;

    /// The checks of a received message, in order: traces its length and dump, the magic cookie ("Invalid
    /// magic cookie"), locates the options, the first option must be the type (53), the type must be one
    /// the server handles ("UNKNOWN DHCP MESSAGE TYPE!!! - %d"). Returns that type, or 0: drop it.
    /// A type option that a client sent further back is moved to the front first (see MoveTypeToFront).
    uint8_t CheckRequest();

    /// RFC 2131 sets no order for the options, and some clients (dhcpcd) put the requested address in
    /// front of the message type; the rest of the server reads the type at the start of the options and
    /// searches behind it. So a one-byte type option found further back, by a walk that treats PAD as one
    /// byte and stops at END, is moved to the front and the options it passed move up behind it, in order.
    /// Returns true when the message now starts with the type; a message without one is left as it is.
    static bool MoveTypeToFront(uint8_t* message, size_t length);
    /// The message type wherever its option stands (found as MoveTypeToFront finds it), or 0 when none.
    static uint8_t FindMessageType(const uint8_t* message, size_t length);

    /// Fills the hardware address and the located options. Always succeeds.
    void LocateOptions();
    /// The tag byte of the first option `code` behind the message type, or null. Options that run past the
    /// held bytes are not followed.
    const uint8_t* FindOption(uint8_t code) const;

    size_t ReceivedLength() const { return receivedLength_; }
    size_t Length() const { return length_; }
    const uint8_t* Request() const { return request_; }
    uint8_t MessageType() const { return request_[kDhcpTypeValueOffset]; }
    const DhcpHardwareAddress& HardwareAddress() const { return hardware_; }
    /// The identifier (option 61) and hardware address, for finding the client's entries.
    DhcpClientKey ClientKey() const;
    uint32_t Ciaddr() const { return LoadLe32(request_ + kDhcpCiaddrOffset); }
    uint32_t Giaddr() const { return LoadLe32(request_ + kDhcpGiaddrOffset); }
    bool HasRequestedAddress() const { return pRequestAddrOpt != nullptr; }
    /// Option 50's address (value bytes it lacks read as 0); 0 without the option.
    uint32_t RequestedAddress() const;
    bool HasServerIdentifier() const { return pServerIdOpt != nullptr; }
    uint32_t ServerIdentifier() const;
    /// Option 12's value and length, or null.
    const uint8_t* HostName(uint8_t* length) const;
    /// Option 61's value and length, or null.
    const uint8_t* ClientIdentifier(uint8_t* length) const;
    /// Where an OFFER or ACK goes: ciaddr when it is set, the message came without relay agent and ciaddr
    /// lies in the server's own subnet; else the broadcast address. A ciaddr elsewhere (a client that kept
    /// the address of another network, or wrote anything at all) cannot be reached on the LAN but hears
    /// the broadcast.
    uint32_t OfferDestination() const;

    /// Builds the whole reply `plan` describes: header, options and END with padding.
    DhcpBuiltReply BuildReply(const DhcpReplyPlan& plan);

    // The steps BuildReply is made of. Reply headers: each starts the options behind the type (offset 243).
    /// OFFER or ACK: yiaddr given, siaddr the server, sname the computer's name, file zero.
    void BuildOfferOrAck(uint8_t type, uint32_t yiaddr);
    /// ACK to an INFORM: yiaddr and ciaddr as requested, siaddr the server, sname, file zero.
    void BuildInformAck();
    /// NAK: ciaddr, yiaddr and siaddr 0, sname and file zero.
    void BuildNak();
    /// The expiry NAK in a fresh all-zero message: op, the entry's hardware address, the cookie, the type.
    void BuildExpiryNak(const DhcpHardwareAddress& hardware);

    // The option writers, each appending at the write position.
    void AddSubnetMask();
    void AddRouters();
    void AddDnsServers();
    void AddDomainName();
    /// 51 with 58 right behind it.
    void AddLeaseTime();
    void AddServerIdentifier();
    /// Walks the parameter request list once in the client's order (a code listed twice counts once) and
    /// appends the router option when the list did not bring it. Returns 1 when the router option was
    /// written, else 0 (no list). `walk` may be null.
    int AddRequestedParameters(DhcpParameterWalk* walk);

    /// Writes END and pads with zeros to 300 bytes. Returns the reply's length.
    size_t Finish();
    const uint8_t* Reply() const { return reply_; }
    size_t ReplyLength() const { return replyLength_; }
    /// Where the next option would be written.
    size_t WritePosition() const { return writePos_; }

private:
    /// Offset of the type option that MoveTypeToFront would take, or 0 when there is none.
    static size_t FindTypeOption(const uint8_t* message, size_t length);

    void StartReplyHeader(uint8_t type);
    void WriteComputerName();
    /// Appends one option when it fits in front of the END byte; false when it does not.
    bool PutOption(uint8_t tag, uint8_t length, const uint8_t* value);
    uint32_t OptionAddress(const uint8_t* option) const;

    const DhcpServerContext& server_;
    size_t receivedLength_ = 0;
    size_t length_ = 0;
    uint8_t request_[kDhcpMessageBufferSize] = {};
    uint8_t reply_[kDhcpMessageBufferSize] = {};
    size_t writePos_ = kDhcpFirstSearchedOption;
    size_t replyLength_ = 0;
    DhcpHardwareAddress hardware_;

    // Located options: each points at its tag byte inside the request.
    const uint8_t* pHostNameOpt = nullptr;
    const uint8_t* pRequestAddrOpt = nullptr;
    const uint8_t* pServerIdOpt = nullptr;
    const uint8_t* pParamListOpt = nullptr;
    const uint8_t* pClientIdOpt = nullptr;
};
