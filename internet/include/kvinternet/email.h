// E-mail through the user's mail profile: send one message from the user's own address
// (with at most one attached file), and tell beforehand whether mail can be sent.
#pragma once

#include <string>

#include "KVPlatform/export.h"

extern "C" {

// Sends a message to `to` from the user's address in the default mail profile. Empty
// `subject`, `body` or `attachmentPath` leave that part out. A sent message is filed in
// Sent Items and confirmed in an information box "Kestrel Systems Automated Email".
// False when the messaging service cannot start or log on, when the store cannot be
// opened (all silently), or when the profile's name or the user's address cannot be
// read (each with its message box); true otherwise, whether or not the message was
// sent: a message that was not sent stays in the Outbox.
KV_EXPORT bool kvSendEMail(std::wstring& to, std::wstring& subject, std::wstring& body,
                           std::wstring& attachmentPath);

// The default profile's name and the user's address. True, with both filled, when every
// step succeeded; false otherwise (the strings may then be partly filled). Shows nothing.
KV_EXPORT bool kvGetEmailClientInfo(std::wstring& profileName, std::wstring& emailAddress);

}  // extern "C"
