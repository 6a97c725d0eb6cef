// Messages as RFC 5322 text: the wire form and the stored form built with GMime, and
// stored or received messages read back.
#include "mime_message.h"

#include <gmime/gmime.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "KVPlatform/text.h"
#include "entry_id.h"
#include "smtp_address.h"

namespace kv::mail {

namespace {

// Owns one GObject reference.
template <typename T>
class GRef {
 public:
  explicit GRef(T* object = nullptr) : object_(object) {}
  ~GRef() {
    if (object_ != nullptr) g_object_unref(object_);
  }
  GRef(const GRef&) = delete;
  GRef& operator=(const GRef&) = delete;
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_;
};

// Properties that headers or the body carry; the stored head repeats none of them.
bool CarriedByMime(PropTag tag) {
  switch (PropId(tag)) {
    case PropId(kPrSubject):
    case PropId(kPrBody):
    case PropId(kPrSenderName):
    case PropId(kPrSenderEmailAddress):
    case PropId(kPrSentRepresentingName):
    case PropId(kPrSentRepresentingEmailAddress):
    case PropId(kPrClientSubmitTime):
    case PropId(kPrInternetMessageId):
    case PropId(kPrImportance):
    case PropId(kPrEntryId):
    case PropId(kPrObjectType):
    case PropId(kPrMessageSize): return true;
    default: return false;
  }
}

std::string Utf8(std::wstring_view text) { return WideToAnsi(text); }

// Adds one mailbox to a message header; addresses that are not plain SMTP addresses
// never reach a header.
bool AddMailbox(GMimeMessage* message, GMimeAddressType type, std::wstring_view name,
                std::wstring_view address) {
  const std::string addr = Utf8(address);
  if (!IsSmtpAddress(addr)) return false;
  std::string display = Utf8(HeaderSafeText(name));
  if (display == addr) display.clear();
  GRef<InternetAddress> mailbox(internet_address_mailbox_new(display.c_str(), addr.c_str()));
  internet_address_set_charset(mailbox.get(), "UTF-8");
  internet_address_list_add(g_mime_message_get_addresses(message, type), mailbox.get());
  return true;
}

std::string LfText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string CrLfText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// A part's parameter in UTF-8 and RFC 2231 form, so names outside ISO-8859-1's reach
// and names that fit it come out alike.
void EncodeParameter(GMimeParamList* list, const char* name) {
  if (list == nullptr) return;
  if (GMimeParam* param = g_mime_param_list_get_parameter(list, name)) {
    g_mime_param_set_charset(param, "UTF-8");
    g_mime_param_set_encoding_method(param, GMIME_PARAM_ENCODING_METHOD_RFC2231);
  }
}

// A content id for a header: printable ASCII without blanks or angle brackets.
std::string SafeContentId(std::wstring_view id) {
  std::string text = Utf8(id);
  if (text.size() > 2 && text.front() == '<' && text.back() == '>')
    text = text.substr(1, text.size() - 2);
  for (char c : text) {
    if (c <= 0x20 || c >= 0x7F || c == '<' || c == '>') return {};
  }
  return text;
}

bool IsMimeType(const std::string& type) {
  const size_t slash = type.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == type.size()) return false;
  for (char c : type) {
    if (c <= 0x20 || c >= 0x7F ||
        std::string_view("()<>@,;:\\\"[]?=").find(c) != std::string_view::npos)
      return false;
  }
  return type.find('/', slash + 1) == std::string::npos;
}

GMimeDataWrapper* WrapBytes(std::string_view bytes) {
  GByteArray* array = g_byte_array_sized_new(static_cast<guint>(bytes.size()));
  g_byte_array_append(array, reinterpret_cast<const guint8*>(bytes.data()),
                      static_cast<guint>(bytes.size()));
  GRef<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(array));
  return g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT);
}

GMimeObject* BodyPart(std::wstring_view body) {
  GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
  g_mime_text_part_set_charset(text, "utf-8");
  GRef<GMimeDataWrapper> content(WrapBytes(LfText(Utf8(body))));
  g_mime_part_set_content(GMIME_PART(text), content.get());
  // 7bit for plain ASCII, else quoted-printable: text stays readable and its line ends
  // come out as CR LF (base64 would carry the LF line ends inside).
  GMimeContentEncoding encoding =
      g_mime_part_get_best_content_encoding(GMIME_PART(text), GMIME_ENCODING_CONSTRAINT_7BIT);
  if (encoding == GMIME_CONTENT_ENCODING_BASE64) encoding = GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
  g_mime_part_set_content_encoding(GMIME_PART(text), encoding);
  return GMIME_OBJECT(text);
}

GMimeObject* AttachmentPart(const PropertyBag& attach) {
  std::wstring name = attach.Text(kPrAttachLongFilename);
  if (name.empty()) name = attach.Text(kPrAttachFilename);
  name = HeaderSafeText(name);
  std::string type = Utf8(attach.Text(kPrAttachMimeTag));
  if (!IsMimeType(type)) type = MimeTypeOf(name);
  const size_t slash = type.find('/');
  GMimePart* part =
      g_mime_part_new_with_type(type.substr(0, slash).c_str(), type.substr(slash + 1).c_str());
  const PropValue* data = attach.Find(kPrAttachDataBin);
  GRef<GMimeDataWrapper> content(
      WrapBytes(data != nullptr ? std::string_view(data->bytes) : std::string_view()));
  g_mime_part_set_content(part, content.get());
  g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
  const std::string contentId = SafeContentId(attach.Text(kPrAttachContentId));
  g_mime_object_set_disposition(GMIME_OBJECT(part), contentId.empty() ? "attachment" : "inline");
  if (!name.empty()) {
    g_mime_part_set_filename(part, Utf8(name).c_str());
    EncodeParameter(g_mime_content_disposition_get_parameters(
                        g_mime_object_get_content_disposition(GMIME_OBJECT(part))),
                    "filename");
    EncodeParameter(
        g_mime_content_type_get_parameters(g_mime_object_get_content_type(GMIME_OBJECT(part))),
        "name");
  }
  if (!contentId.empty()) g_mime_part_set_content_id(part, contentId.c_str());
  return GMIME_OBJECT(part);
}

std::string ToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

bool FromHex(std::string_view hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

// "X-Kestrel-Property" value of a property; empty for types it does not carry.
std::string PropertyLine(const PropValue& value) {
  char tag[16];
  std::snprintf(tag, sizeof tag, "%08" PRIX32 " ", value.tag);
  switch (PropType(value.tag)) {
    case kPtLong:
    case kPtBoolean:
    case kPtI8:
    case kPtSysTime: return tag + std::to_string(value.number);
    case kPtUnicode: return tag + ToHex(Utf8(value.text));
    case kPtString8:
    case kPtBinary: return tag + ToHex(value.bytes);
    default: return {};
  }
}

bool ParsePropertyLine(std::string_view line, PropValue* value) {
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  if (line.size() < 10 || line[8] != ' ') return false;
  char* end = nullptr;
  const std::string tagText(line.substr(0, 8));
  const PropTag tag = static_cast<PropTag>(std::strtoul(tagText.c_str(), &end, 16));
  if (end != tagText.c_str() + 8) return false;
  const std::string data(line.substr(9));
  std::string bytes;
  switch (PropType(tag)) {
    case kPtLong:
    case kPtBoolean:
    case kPtI8:
    case kPtSysTime: {
      const long long number = std::strtoll(data.c_str(), &end, 10);
      if (end == data.c_str() || *end != '\0') return false;
      *value = PropValue::Time(tag, number);
      return true;
    }
    case kPtUnicode:
      if (!FromHex(data, &bytes)) return false;
      *value = PropValue::Unicode(tag, AnsiToWide(bytes));
      return true;
    case kPtString8:
    case kPtBinary:
      if (!FromHex(data, &bytes)) return false;
      *value = PropValue::Binary(tag, bytes);
      return true;
    default: return false;
  }
}

void AddRecipients(GMimeMessage* message, InternetAddressList* list, uint32_t type,
                   MessageParts* parts) {
  if (list == nullptr) return;
  for (int i = 0; i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_GROUP(address)) {
      AddRecipients(message, internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)),
                    type, parts);
      continue;
    }
    const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
    const char* name = internet_address_get_name(address);
    const std::wstring wideAddress = AnsiToWide(addr != nullptr ? addr : "");
    const std::wstring wideName = name != nullptr && *name != '\0' ? AnsiToWide(name) : wideAddress;
    parts->recipients.push_back(
        {PropValue::Long(kPrRecipientType, static_cast<int32_t>(type)),
         PropValue::Unicode(kPrDisplayName, wideName), PropValue::Unicode(kPrAddrType, L"SMTP"),
         PropValue::Unicode(kPrEmailAddress, wideAddress),
         PropValue::Binary(kPrEntryId, OneOffEntryId(wideName, L"SMTP", wideAddress))});
  }
}

// The first mailbox of an address list, as name and address.
bool FirstMailbox(InternetAddressList* list, std::wstring* name, std::wstring* address) {
  if (list == nullptr || internet_address_list_length(list) == 0) return false;
  InternetAddress* first = internet_address_list_get_address(list, 0);
  if (!INTERNET_ADDRESS_IS_MAILBOX(first)) return false;
  const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first));
  const char* display = internet_address_get_name(first);
  *address = AnsiToWide(addr != nullptr ? addr : "");
  *name = display != nullptr && *display != '\0' ? AnsiToWide(display) : *address;
  return true;
}

std::string DecodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return {};
  GRef<GMimeStream> stream(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, stream.get());
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
  return std::string(reinterpret_cast<const char*>(array->data), array->len);
}

struct PartWalk {
  PropertyBag* props;
  MessageParts* parts;
  bool haveBody = false;
};

void VisitPart(GMimeObject*, GMimeObject* object, gpointer context) {
  auto* walk = static_cast<PartWalk*>(context);
  if (!GMIME_IS_PART(object)) return;
  GMimePart* part = GMIME_PART(object);
  GMimeContentType* type = g_mime_object_get_content_type(object);
  const char* filename = g_mime_part_get_filename(part);
  const char* contentId = g_mime_part_get_content_id(part);
  const bool plainText = type != nullptr && g_mime_content_type_is_type(type, "text", "plain");
  if (plainText && !walk->haveBody && !g_mime_part_is_attachment(part) && filename == nullptr) {
    char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(part));
    walk->props->Put(PropValue::Unicode(kPrBody, AnsiToWide(LfText(text != nullptr ? text : ""))));
    g_free(text);
    walk->haveBody = true;
    return;
  }
  auto attach = std::make_shared<PropertyBag>();
  const uint32_t number = static_cast<uint32_t>(walk->parts->attachments.size());
  const std::string data = DecodedContent(part);
  const std::wstring name = AnsiToWide(filename != nullptr ? filename : "");
  attach->Put(PropValue::Long(kPrAttachNum, static_cast<int32_t>(number)));
  attach->Put(PropValue::Long(kPrAttachMethod, kAttachByValue));
  attach->Put(PropValue::Long(kPrRenderingPosition, -1));
  if (!name.empty()) {
    attach->Put(PropValue::Unicode(kPrAttachLongFilename, name));
    attach->Put(PropValue::Unicode(kPrAttachFilename, name));
  }
  if (type != nullptr) {
    char* mime = g_mime_content_type_get_mime_type(type);
    attach->Put(PropValue::Unicode(kPrAttachMimeTag, AnsiToWide(mime != nullptr ? mime : "")));
    g_free(mime);
  }
  if (contentId != nullptr)
    attach->Put(PropValue::Unicode(kPrAttachContentId, AnsiToWide(contentId)));
  attach->Put(PropValue::Long(kPrAttachSize,
                              static_cast<int32_t>(std::min<size_t>(data.size(), INT32_MAX))));
  attach->Put(PropValue::Binary(kPrAttachDataBin, data));
  walk->parts->attachments[number] = std::move(attach);
}

}  // namespace

void EnsureMimeStarted() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

MimeBytes::~MimeBytes() { Reset(nullptr); }

std::string_view MimeBytes::view() const {
  if (array_ == nullptr) return {};
  return std::string_view(reinterpret_cast<const char*>(array_->data), array_->len);
}

void MimeBytes::Reset(GByteArray* array) {
  if (array_ != nullptr) g_byte_array_unref(array_);
  array_ = array;
}

bool RenderWireForm(const PropertyBag& props, const MessageParts& parts, MimeBytes* wire,
                    std::string* error) {
  EnsureMimeStarted();
  GRef<GMimeMessage> message(g_mime_message_new(TRUE));
  std::wstring fromName = props.Text(kPrSentRepresentingName),
               fromAddress = props.Text(kPrSentRepresentingEmailAddress);
  const std::wstring senderAddress = props.Text(kPrSenderEmailAddress);
  if (fromAddress.empty()) {
    fromName = props.Text(kPrSenderName);
    fromAddress = senderAddress;
  }
  AddMailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, fromName, fromAddress);
  if (!senderAddress.empty() && senderAddress != fromAddress) {
    AddMailbox(message.get(), GMIME_ADDRESS_TYPE_SENDER, props.Text(kPrSenderName), senderAddress);
  }
  for (const PropRow& recipient : parts.recipients) {
    const PropValue* type = FindProp(recipient, kPrRecipientType);
    const PropValue* address = FindProp(recipient, kPrEmailAddress);
    const PropValue* name = FindProp(recipient, kPrDisplayName);
    if (type == nullptr || address == nullptr ||
        (type->number != kMapiTo && type->number != kMapiCc))
      continue;
    AddMailbox(message.get(),
               type->number == kMapiTo ? GMIME_ADDRESS_TYPE_TO : GMIME_ADDRESS_TYPE_CC,
               name != nullptr ? name->text : L"", address->text);
  }
  if (props.Has(kPrSubject)) {
    g_mime_message_set_subject(message.get(), Utf8(HeaderSafeText(props.Text(kPrSubject))).c_str(),
                               "utf-8");
  }
  if (const PropValue* time = props.Find(kPrClientSubmitTime)) {
    GDateTime* date = g_date_time_new_from_unix_local(time->number);
    if (date != nullptr) {
      g_mime_message_set_date(message.get(), date);
      g_date_time_unref(date);
    }
  }
  const std::string messageId = SafeContentId(props.Text(kPrInternetMessageId));
  if (!messageId.empty()) g_mime_message_set_message_id(message.get(), messageId.c_str());
  if (const PropValue* importance = props.Find(kPrImportance);
      importance && importance->number != kImportanceNormal) {
    g_mime_object_set_header(GMIME_OBJECT(message.get()), "Importance",
                             importance->number < kImportanceNormal ? "low" : "high", nullptr);
  }

  GRef<GMimeObject> body(
      props.Has(kPrBody) || parts.attachments.empty() ? BodyPart(props.Text(kPrBody)) : nullptr);
  if (parts.attachments.empty()) {
    g_mime_message_set_mime_part(message.get(), body.get());
  } else {
    GRef<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    if (body) g_mime_multipart_add(mixed.get(), body.get());
    for (const auto& [number, attach] : parts.attachments) {
      GRef<GMimeObject> part(AttachmentPart(*attach));
      g_mime_multipart_add(mixed.get(), part.get());
    }
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));
  }

  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  // Sized for the whole message up front: base64 grows attachments by 4/3 and its line
  // ends, and a buffer grown by doubling would copy and fault in its pages again and again.
  size_t estimate = 64 * 1024 + props.Text(kPrBody).size() * 4;
  for (const auto& [number, attach] : parts.attachments) {
    const PropValue* data = attach->Find(kPrAttachDataBin);
    estimate += (data != nullptr ? data->bytes.size() : 0) / 57 * 78 + 1024;
  }
  GRef<GMimeStream> out(
      g_mime_stream_mem_new_with_byte_array(g_byte_array_sized_new(static_cast<guint>(estimate))));
  const ssize_t written =
      g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), options, out.get());
  g_mime_format_options_free(options);
  if (written < 0) {
    *error = "the message could not be put into MIME form";
    return false;
  }
  // The stream would free the bytes with itself: take them over instead.
  g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(out.get()), FALSE);
  wire->Reset(g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get())));
  return true;
}

std::string RenderStoredHead(const PropertyBag& props, const MessageParts& parts) {
  EnsureMimeStarted();
  std::string head;
  GRef<InternetAddressList> bcc(internet_address_list_new());
  for (const PropRow& recipient : parts.recipients) {
    const PropValue* type = FindProp(recipient, kPrRecipientType);
    const PropValue* address = FindProp(recipient, kPrEmailAddress);
    const PropValue* name = FindProp(recipient, kPrDisplayName);
    if (type == nullptr || type->number != kMapiBcc || address == nullptr) continue;
    const std::string addr = Utf8(address->text);
    if (!IsSmtpAddress(addr)) continue;
    std::string display = name != nullptr ? Utf8(HeaderSafeText(name->text)) : std::string();
    if (display == addr) display.clear();
    GRef<InternetAddress> mailbox(internet_address_mailbox_new(display.c_str(), addr.c_str()));
    internet_address_set_charset(mailbox.get(), "UTF-8");
    internet_address_list_add(bcc.get(), mailbox.get());
  }
  if (internet_address_list_length(bcc.get()) > 0) {
    GMimeFormatOptions* options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    char* text = internet_address_list_to_string(bcc.get(), options, TRUE);
    head += "Bcc: " + CrLfText(text) + "\r\n";
    g_free(text);
    g_mime_format_options_free(options);
  }
  for (const PropValue& value : props.All()) {
    if (CarriedByMime(value.tag)) continue;
    const std::string line = PropertyLine(value);
    if (!line.empty()) head += "X-Kestrel-Property: " + line + "\r\n";
  }
  return head;
}

bool ParseMessageText(std::string_view text, PropertyBag* props, MessageParts* parts) {
  EnsureMimeStarted();
  GRef<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
  GRef<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GRef<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) return false;

  std::wstring name, address;
  if (FirstMailbox(g_mime_message_get_from(message.get()), &name, &address)) {
    props->Put(PropValue::Unicode(kPrSentRepresentingName, name));
    props->Put(PropValue::Unicode(kPrSentRepresentingEmailAddress, address));
    props->Put(PropValue::Unicode(kPrSentRepresentingAddrType, L"SMTP"));
    FirstMailbox(g_mime_message_get_sender(message.get()), &name, &address);
    props->Put(PropValue::Unicode(kPrSenderName, name));
    props->Put(PropValue::Unicode(kPrSenderEmailAddress, address));
    props->Put(PropValue::Unicode(kPrSenderAddrType, L"SMTP"));
  }
  AddRecipients(message.get(), g_mime_message_get_to(message.get()), kMapiTo, parts);
  AddRecipients(message.get(), g_mime_message_get_cc(message.get()), kMapiCc, parts);
  AddRecipients(message.get(), g_mime_message_get_bcc(message.get()), kMapiBcc, parts);
  if (const char* subject = g_mime_message_get_subject(message.get())) {
    props->Put(PropValue::Unicode(kPrSubject, AnsiToWide(subject)));
  }
  if (GDateTime* date = g_mime_message_get_date(message.get())) {
    props->Put(PropValue::Time(kPrClientSubmitTime, g_date_time_to_unix(date)));
  }
  if (const char* id = g_mime_message_get_message_id(message.get())) {
    props->Put(PropValue::Unicode(kPrInternetMessageId, L"<" + AnsiToWide(id) + L">"));
  }
  GMimeObject* object = GMIME_OBJECT(message.get());
  if (const char* importance = g_mime_object_get_header(object, "Importance")) {
    const std::string level = importance;
    props->Put(PropValue::Long(kPrImportance, level == "high"  ? kImportanceHigh
                                              : level == "low" ? kImportanceLow
                                                               : kImportanceNormal));
  }
  GMimeHeaderList* headers = g_mime_object_get_header_list(object);
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
    PropValue value;
    if (g_ascii_strcasecmp(g_mime_header_get_name(header), "X-Kestrel-Property") == 0 &&
        ParsePropertyLine(g_mime_header_get_raw_value(header), &value)) {
      props->Put(std::move(value));
    }
  }
  PartWalk walk{props, parts};
  g_mime_message_foreach(message.get(), VisitPart, &walk);
  return true;
}

std::string MimeTypeOf(std::wstring_view fileName) {
  static const struct {
    const char* extension;
    const char* type;
  } kTypes[] = {
      {"txt", "text/plain"},        {"log", "text/plain"},      {"csv", "text/csv"},
      {"htm", "text/html"},         {"html", "text/html"},      {"xml", "text/xml"},
      {"json", "application/json"}, {"pdf", "application/pdf"}, {"zip", "application/zip"},
      {"gz", "application/gzip"},   {"jpg", "image/jpeg"},      {"jpeg", "image/jpeg"},
      {"png", "image/png"},         {"gif", "image/gif"},       {"bmp", "image/bmp"},
      {"tif", "image/tiff"},        {"tiff", "image/tiff"},     {"dwg", "image/vnd.dwg"},
      {"dxf", "image/vnd.dxf"},
  };
  const size_t dot = fileName.rfind(L'.');
  if (dot != std::wstring_view::npos) {
    std::string extension = Utf8(fileName.substr(dot + 1));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& entry : kTypes) {
      if (extension == entry.extension) return entry.type;
    }
  }
  return "application/octet-stream";
}

}  // namespace kv::mail
