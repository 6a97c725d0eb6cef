// Messages as RFC 5322 text, built and read with GMime.
//
// The wire form is what SMTP sends: From (the sent-representing sender, else the
// sender), Sender when it differs, To, Cc, Subject, Date, Message-ID, Importance, and a
// text/plain UTF-8 body, with attachments in a multipart/mixed (base64, each with its
// MIME type and file name; a content id makes the part inline). Lines end in CR LF.
// The stored form puts the Bcc header and the properties that no header carries
// ("X-Kestrel-Property: <tag> <value>", numbers in decimal, text and bytes in hex)
// before the wire form.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/mail_props.h"
#include "property_bag.h"

struct _GByteArray;  // GLib's byte array

namespace kv::mail {

// What a message holds besides its own properties.
struct MessageParts {
  std::vector<PropRow> recipients;
  // Saved attachments by number.
  std::map<uint32_t, std::shared_ptr<PropertyBag>> attachments;
};

// Starts GMime once for the process.
void EnsureMimeStarted();

// Bytes GMime wrote, kept where it wrote them (a large message is not copied again).
class MimeBytes {
 public:
  MimeBytes() = default;
  ~MimeBytes();
  MimeBytes(const MimeBytes&) = delete;
  MimeBytes& operator=(const MimeBytes&) = delete;
  std::string_view view() const;
  void Reset(::_GByteArray* array);

 private:
  ::_GByteArray* array_ = nullptr;
};

// The wire form. False, with `error` saying why, when GMime fails.
bool RenderWireForm(const PropertyBag& props, const MessageParts& parts, MimeBytes* wire,
                    std::string* error);

// The lines the stored form puts before the wire form (each ending in CR LF).
std::string RenderStoredHead(const PropertyBag& props, const MessageParts& parts);

// Reads a stored or received message back into properties, recipients (with one-off
// entry ids) and attachments. False when GMime finds no message in the bytes.
bool ParseMessageText(std::string_view text, PropertyBag* props, MessageParts* parts);

// The MIME type of a file name by its extension ("application/octet-stream" when the
// extension says nothing).
std::string MimeTypeOf(std::wstring_view fileName);

}  // namespace kv::mail
