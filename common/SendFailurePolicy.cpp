#include "SendFailurePolicy.h"

SendFailureAction DecideSendFailure(int socketError)
{
    if (socketError == kSocketErrorWouldBlock || socketError == kSocketErrorNoBuffers) {
        return SendFailureAction::DropDatagram;
    }
    return SendFailureAction::CloseSocket;
}
