// KVVariableLibrary: the variable files of the suite's post-processors ("MPOST.bin",
// "CPOST.bin" in a post folder), read and written through the class kv_VarLib. This is
// the least that stands for the library outside the system: named variables in
// sections, holding integers, texts or binary data.
//
// File format (8-bit text, lines ending in LF or CR LF; written with LF):
//
//   KVVarLib 1 PSM                      signature, format version 1, the file type
//   [1]                                 a section
//   KVPB_SETUP_TO_NC = int 1            an integer (32-bit, decimal)
//   POSTNAME = text "Fanuc 3-Axis"      a text (no zero bytes)
//   NCPATH = bin 260 "C:\\NC\\"         binary data: its size in bytes, and its first
//                                       bytes as a quoted string; the bytes after those
//                                       quoted, up to the size, are zeros
//   ; a comment
//
// Quoted strings escape \\, \", \n, \r, \t and any other byte below 0x20 or 0x7F as
// \xHH; other bytes (UTF-8 text among them) stand as they are. Section and variable
// names match without regard to ASCII case and keep the spelling they were written
// with; a name holds no blank, '=', '[' or ']', and does not begin with ';'.
//
// Every write reads the file again, changes the one variable and replaces the file
// atomically (a temporary file beside it, renamed over it), so a crash never leaves a
// torn file and no other line is lost: comments, and lines that could not be read, stay
// as they stand. A file whose first line is not a signature of the file type asked for
// is never written and reads as holding nothing.
#pragma once

#include <string>

#define KVVARLIB_EXPORT __attribute__((visibility("default")))

class KVVARLIB_EXPORT kv_VarLib {
 public:
  // The file `fileName` of type `fileType` ("PSM", "PSC") in `folder` (a Windows path,
  // with or without a trailing separator). With `readOnly` every write fails; otherwise
  // the first write makes a missing file (in a folder that exists).
  kv_VarLib(const wchar_t* folder, const wchar_t* fileName, const wchar_t* fileType, bool readOnly);
  ~kv_VarLib();
  kv_VarLib(const kv_VarLib&) = delete;
  kv_VarLib& operator=(const kv_VarLib&) = delete;

  // An integer variable: 1 with *value filled, 0 when there is none of that name.
  int GetVar(const wchar_t* section, const wchar_t* name, int* value);
  // Stores an integer variable; 1 when the file was written.
  int SetVar(const wchar_t* section, const wchar_t* name, int value);
  // A binary or text variable: non-zero with *data holding a copy of its bytes followed
  // by a zero byte (malloc'ed: the caller frees it with free) and *size (when given) the
  // number of bytes without that zero; 0, with *data null, when there is none.
  int GetVarBin(const wchar_t* section, const wchar_t* name, char** data, int* size = nullptr);
  // Stores `size` bytes (at most 1 MiB) as a binary variable; 1 when the file was written.
  int SetVarBin(const wchar_t* section, const wchar_t* name, const void* data, int size);
  // Stores a zero-terminated text variable; 1 when the file was written.
  int SetVarText(const wchar_t* section, const wchar_t* name, const char* text);

  // The variables in file order, for listing: false past the last. `kind` is "int",
  // "text" or "bin"; `value` the value as the file writes it.
  bool EnumVar(int index, std::wstring* section, std::wstring* name, std::wstring* kind,
               std::string* value);
  // True when the file exists and is a variable file of the type asked for.
  bool IsOpen() const;

 private:
  struct State;
  State* state_;
};
