// The client's end of one connection to a tuning server: connecting with a
// bound on the wait, sending a request whole, and gathering the reply of a
// query until it is complete or its time is up. Shared by the command-line
// tool and the panel's relay.
#pragma once

#include <stddef.h>

#include <string>

#include "TuningRequests.h"

namespace VeltraTune {

// A connected stream socket, or -1 with a message ("cannot connect to
// HOST:PORT: Connection refused") when the server cannot be reached within
// nTimeoutMs.
int Connect(const std::string& strHost, int nPort, int nTimeoutMs, std::string& strError);

// Writes all bytes; false when the connection broke.
bool SendAll(int nSocket, const Bytes& bytes);

enum class ReplyStatus {
    kComplete,  // reply holds a complete reply (and maybe more bytes)
    kTimeout,   // nothing complete arrived in time
    kClosed,    // the server closed the connection
};

// Receives until reader finds a complete reply in reply, or the bound passes.
ReplyStatus ReceiveReply(int nSocket, const ReplyReader& reader, int nTimeoutMs, Bytes& reply);

// True when the server has closed the connection, or has sent bytes that no
// query asked for: either way the connection cannot carry the next request.
bool ConnectionSpoilt(int nSocket);

// What the tool prints for a request with no reply: "sent set-param (13 bytes)".
std::string SentText(const std::string& strCommand, size_t nBytes);

}  // namespace VeltraTune
