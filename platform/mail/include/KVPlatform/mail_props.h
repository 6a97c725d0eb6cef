// Properties of the messaging service: tagged values, tables of them, streams on them,
// and the object that holds them. The tags, types, flags and result codes carry the
// numbers of the messaging interface the system was written against, so that code
// using them keeps its constants and decisions.
//
// A tag is a 16-bit property id and a 16-bit type: 0x0037001F is the subject (id 0x0037)
// as wide text (type 0x001F). Results are Status values holding the messaging result
// codes (0 for success, 0x8004010F not found, ...), not Win32 codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

namespace kv::mail {

using PropTag = uint32_t;
// Entry ids are opaque byte strings made by the service.
using EntryId = std::string;

constexpr uint32_t PropType(PropTag tag) { return tag & 0xFFFF; }
constexpr uint32_t PropId(PropTag tag) { return tag >> 16; }
constexpr PropTag ChangePropType(PropTag tag, uint32_t type) { return (tag & 0xFFFF0000u) | type; }

// Property types.
inline constexpr uint32_t kPtUnspecified = 0x0000;
inline constexpr uint32_t kPtLong = 0x0003;
inline constexpr uint32_t kPtError = 0x000A;
inline constexpr uint32_t kPtBoolean = 0x000B;
inline constexpr uint32_t kPtI8 = 0x0014;
inline constexpr uint32_t kPtString8 = 0x001E;
inline constexpr uint32_t kPtUnicode = 0x001F;
inline constexpr uint32_t kPtSysTime = 0x0040;
inline constexpr uint32_t kPtBinary = 0x0102;

// Result codes.
inline constexpr uint32_t kMapiOk = 0;
inline constexpr uint32_t kMapiENoAccess = 0x80070005;
inline constexpr uint32_t kMapiENotEnoughMemory = 0x8007000E;
inline constexpr uint32_t kMapiEInvalidParameter = 0x80070057;
inline constexpr uint32_t kMapiECallFailed = 0x80004005;
inline constexpr uint32_t kMapiENoSupport = 0x80040102;
inline constexpr uint32_t kMapiEInvalidEntryId = 0x80040107;
inline constexpr uint32_t kMapiENotFound = 0x8004010F;
inline constexpr uint32_t kMapiELogonFailed = 0x80040111;
inline constexpr uint32_t kMapiENetworkError = 0x80040115;
inline constexpr uint32_t kMapiEDiskError = 0x80040116;
inline constexpr uint32_t kMapiEUnconfigured = 0x8004011C;
inline constexpr uint32_t kMapiENotInitialized = 0x80040605;
inline constexpr uint32_t kMapiENoRecipients = 0x80040607;
inline constexpr uint32_t kMapiEAmbiguousRecip = 0x80040700;

// Property tags used by the system.
inline constexpr PropTag kPrImportance = 0x00170003;
inline constexpr PropTag kPrSubject = 0x0037001F;
inline constexpr PropTag kPrClientSubmitTime = 0x00390040;
inline constexpr PropTag kPrSentRepresentingEntryId = 0x00410102;
inline constexpr PropTag kPrSentRepresentingName = 0x0042001F;
inline constexpr PropTag kPrSentRepresentingAddrType = 0x0064001F;
inline constexpr PropTag kPrSentRepresentingEmailAddress = 0x0065001F;
inline constexpr PropTag kPrSenderEntryId = 0x0C190102;
inline constexpr PropTag kPrSenderName = 0x0C1A001F;
inline constexpr PropTag kPrSenderAddrType = 0x0C1E001F;
inline constexpr PropTag kPrSenderEmailAddress = 0x0C1F001F;
inline constexpr PropTag kPrRecipientType = 0x0C150003;
inline constexpr PropTag kPrDeleteAfterSubmit = 0x0E01000B;
inline constexpr PropTag kPrMessageFlags = 0x0E070003;
inline constexpr PropTag kPrMessageSize = 0x0E080003;
inline constexpr PropTag kPrSentMailEntryId = 0x0E0A0102;
inline constexpr PropTag kPrAttachSize = 0x0E200003;
inline constexpr PropTag kPrAttachNum = 0x0E210003;
inline constexpr PropTag kPrObjectType = 0x0FFE0003;
inline constexpr PropTag kPrEntryId = 0x0FFF0102;
inline constexpr PropTag kPrBody = 0x1000001F;
inline constexpr PropTag kPrInternetMessageId = 0x1035001F;
inline constexpr PropTag kPrDisplayName = 0x3001001F;
inline constexpr PropTag kPrDisplayNameA = 0x3001001E;
inline constexpr PropTag kPrAddrType = 0x3002001F;
inline constexpr PropTag kPrEmailAddress = 0x3003001F;
inline constexpr PropTag kPrProviderDisplay = 0x3006001F;
inline constexpr PropTag kPrDefaultStore = 0x3400000B;
inline constexpr PropTag kPrContentCount = 0x36020003;
inline constexpr PropTag kPrIpmSubtreeEntryId = 0x35E00102;
inline constexpr PropTag kPrIpmOutboxEntryId = 0x35E20102;
inline constexpr PropTag kPrIpmSentMailEntryId = 0x35E40102;
inline constexpr PropTag kPrAttachDataBin = 0x37010102;
inline constexpr PropTag kPrAttachFilename = 0x3704001F;
inline constexpr PropTag kPrAttachMethod = 0x37050003;
inline constexpr PropTag kPrAttachLongFilename = 0x3707001F;
inline constexpr PropTag kPrRenderingPosition = 0x370B0003;
inline constexpr PropTag kPrAttachMimeTag = 0x370E001F;
inline constexpr PropTag kPrAttachContentId = 0x3712001F;
inline constexpr PropTag kPrSmtpAddress = 0x39FE001F;
inline constexpr PropTag kPrResourceType = 0x3E030003;
inline constexpr PropTag kPrMsgEditorFormat = 0x59090003;
inline constexpr PropTag kPrAttachmentContactPhoto = 0x7FFF000B;

// Values of some properties.
inline constexpr uint32_t kMsgFlagRead = 0x1;
inline constexpr uint32_t kMsgFlagUnsent = 0x8;
inline constexpr uint32_t kMsgFlagFromMe = 0x20;
inline constexpr uint32_t kMapiTo = 1;
inline constexpr uint32_t kMapiCc = 2;
inline constexpr uint32_t kMapiBcc = 3;
inline constexpr uint32_t kAttachByValue = 1;
inline constexpr int32_t kImportanceLow = 0;
inline constexpr int32_t kImportanceNormal = 1;
inline constexpr int32_t kImportanceHigh = 2;
inline constexpr uint32_t kEditorFormatPlainText = 1;

// Object types, as OpenEntry reports them and kPrObjectType holds them.
inline constexpr uint32_t kMapiStore = 1;
inline constexpr uint32_t kMapiAddrBook = 2;
inline constexpr uint32_t kMapiFolder = 3;
inline constexpr uint32_t kMapiMessage = 5;
inline constexpr uint32_t kMapiMailUser = 6;
inline constexpr uint32_t kMapiAttach = 7;

// Resource types of the session's status table.
inline constexpr uint32_t kMapiStoreProvider = 33;
inline constexpr uint32_t kMapiTransportProvider = 36;
inline constexpr uint32_t kMapiSubsystem = 39;

// SaveChanges flags.
inline constexpr uint32_t kKeepOpenReadOnly = 0x1;
inline constexpr uint32_t kKeepOpenReadWrite = 0x2;

// One tagged value. Which member holds it follows the tag's type: `number` for kPtLong,
// kPtBoolean (0 or 1), kPtI8, kPtSysTime (seconds since 1970-01-01 UTC) and kPtError
// (the result code); `text` for kPtUnicode; `bytes` for kPtString8 (UTF-8) and
// kPtBinary.
struct KV_EXPORT PropValue {
  PropTag tag = 0;
  int64_t number = 0;
  std::wstring text;
  std::string bytes;

  static PropValue Long(PropTag tag, int32_t value);
  static PropValue Bool(PropTag tag, bool value);
  static PropValue Time(PropTag tag, int64_t secondsSince1970);
  static PropValue Unicode(PropTag tag, std::wstring_view value);
  static PropValue String8(PropTag tag, std::string_view value);
  static PropValue Binary(PropTag tag, std::string_view value);
  // An error in place of a value: the tag's id with type kPtError.
  static PropValue Error(PropTag tag, uint32_t code);

  bool IsError() const { return PropType(tag) == kPtError; }
  friend bool operator==(const PropValue&, const PropValue&) = default;
};

using PropRow = std::vector<PropValue>;

// The value in `row` with the tag's id and, unless the tag's type is kPtUnspecified,
// its type; null when there is none.
KV_EXPORT const PropValue* FindProp(const PropRow& row, PropTag tag);

// A stream on one property, for values too long to pass whole. Text properties stream
// as UTF-8.
class KV_EXPORT PropStream {
 public:
  virtual ~PropStream();
  // Reads up to `size` bytes; `*got` is 0 at the end.
  virtual Status Read(void* buffer, size_t size, size_t* got) = 0;
  // Appends bytes (streams opened for writing start empty).
  virtual Status Write(const void* data, size_t size) = 0;
  // Stores what was written as the property's value. Invalid UTF-8 in a text stream
  // fails with kMapiEInvalidParameter.
  virtual Status Commit() = 0;
};

// Rows of properties read with a cursor: the store, status, contents, hierarchy and
// recipient tables. A table is a snapshot taken when it was opened.
class KV_EXPORT Table {
 public:
  virtual ~Table();
  // Chooses the columns that rows carry, in order. Before any call a row carries every
  // property the service has for it.
  virtual Status SetColumns(const std::vector<PropTag>& columns) = 0;
  // The next `count` rows from the cursor (fewer at the end, none past it). A column
  // without a value comes as kPtError with kMapiENotFound.
  virtual Status QueryRows(uint32_t count, std::vector<PropRow>* rows) = 0;
  // Moves the cursor back to the first row.
  virtual Status SeekRowBeginning() = 0;
  virtual uint32_t RowCount() const = 0;
};

// An object with properties: stores, folders, messages, attachments, address entries.
class KV_EXPORT MapiProp {
 public:
  virtual ~MapiProp();
  virtual uint32_t ObjectType() const = 0;
  // One value per tag, in order. A missing property comes as kPtError with
  // kMapiENotFound; a text or binary value longer than 32 KiB as kPtError with
  // kMapiENotEnoughMemory (read it through a stream). A kPtString8 tag reads a wide
  // text property as UTF-8; a kPtUnspecified tag reads whatever type is there.
  virtual Status GetProps(const std::vector<PropTag>& tags, PropRow* values) = 0;
  // Sets properties; read-only objects fail with kMapiENoAccess.
  virtual Status SetProps(const PropRow& values) = 0;
  virtual Status DeleteProps(const std::vector<PropTag>& tags) = 0;
  // A stream on a text or binary property: for reading (kMapiENotFound when it has no
  // value) or, with `write`, for replacing its value on Commit.
  virtual Status OpenPropertyStream(PropTag tag, bool write,
                                    std::unique_ptr<PropStream>* stream) = 0;
  // Makes the changes permanent (what that means is the object's: a message is written
  // to its folder, an attachment becomes part of its message).
  virtual Status SaveChanges(uint32_t flags) = 0;
};

}  // namespace kv::mail
