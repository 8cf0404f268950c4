#include "SendFailurePolicy.h"

SendFailureAction DecideSendFailure(int socketError)
{
    switch (socketError) {
    case kSocketErrorWouldBlock:
    case kSocketErrorNoBuffers:
    case kSocketErrorAccess:
    case kSocketErrorMessageSize:
    case kSocketErrorAddressNotAvail:
    case kSocketErrorNetDown:
    case kSocketErrorNetUnreachable:
    case kSocketErrorNetReset:
    case kSocketErrorConnReset:
    case kSocketErrorConnRefused:
    case kSocketErrorHostDown:
    case kSocketErrorHostUnreachable:
        return SendFailureAction::DropDatagram;
    default:
        return SendFailureAction::CloseSocket;
    }
}
