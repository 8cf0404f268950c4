#include "SendFailurePolicy.h"

#include <gtest/gtest.h>

namespace {

// A failure that belongs to the moment or to one destination drops that datagram; only a socket that is
// gone or broken is closed.
TEST(SendFailurePolicy, OnlyABrokenSocketIsClosed)
{
    struct Case {
        int error;
        SendFailureAction action;
    };
    const Case cases[] = {
        {10035, SendFailureAction::DropDatagram},  // WSAEWOULDBLOCK
        {10055, SendFailureAction::DropDatagram},  // WSAENOBUFS
        {10013, SendFailureAction::DropDatagram},  // WSAEACCES
        {10040, SendFailureAction::DropDatagram},  // WSAEMSGSIZE
        {10049, SendFailureAction::DropDatagram},  // WSAEADDRNOTAVAIL
        {10050, SendFailureAction::DropDatagram},  // WSAENETDOWN
        {10051, SendFailureAction::DropDatagram},  // WSAENETUNREACH
        {10052, SendFailureAction::DropDatagram},  // WSAENETRESET
        {10054, SendFailureAction::DropDatagram},  // WSAECONNRESET
        {10061, SendFailureAction::DropDatagram},  // WSAECONNREFUSED
        {10064, SendFailureAction::DropDatagram},  // WSAEHOSTDOWN
        {10065, SendFailureAction::DropDatagram},  // WSAEHOSTUNREACH
        {10038, SendFailureAction::CloseSocket},   // WSAENOTSOCK
        {10022, SendFailureAction::CloseSocket},   // WSAEINVAL
        {10058, SendFailureAction::CloseSocket},   // WSAESHUTDOWN
        {10093, SendFailureAction::CloseSocket},   // WSANOTINITIALISED
        {10014, SendFailureAction::CloseSocket},   // WSAEFAULT
        {0, SendFailureAction::CloseSocket},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.action, DecideSendFailure(c.error)) << "error " << c.error;
    }
}

}  // namespace
