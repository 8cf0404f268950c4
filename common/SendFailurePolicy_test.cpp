#include "SendFailurePolicy.h"

#include <gtest/gtest.h>

namespace {

TEST(SendFailurePolicy, OnlyANoRoomFailureKeepsTheSocket)
{
    struct Case {
        int error;
        SendFailureAction action;
    };
    const Case cases[] = {
        {10035, SendFailureAction::DropDatagram},  // WSAEWOULDBLOCK
        {10055, SendFailureAction::DropDatagram},  // WSAENOBUFS
        {10038, SendFailureAction::CloseSocket},   // WSAENOTSOCK
        {10040, SendFailureAction::CloseSocket},   // WSAEMSGSIZE
        {10049, SendFailureAction::CloseSocket},   // WSAEADDRNOTAVAIL
        {10051, SendFailureAction::CloseSocket},   // WSAENETUNREACH
        {10054, SendFailureAction::CloseSocket},   // WSAECONNRESET
        {10013, SendFailureAction::CloseSocket},   // WSAEACCES
        {0, SendFailureAction::CloseSocket},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.action, DecideSendFailure(c.error)) << "error " << c.error;
    }
}

}  // namespace
