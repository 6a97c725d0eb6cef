// The reading entry points of the zip interface. This library opens no archive for
// reading: every handle it hands out is being written, so each call only checks its
// handle and leaves its outputs untouched.
#include "KVFileUtilities/zip.h"

namespace {

unsigned long CheckReadingHandle(HZIP archive) {
  if (archive == nullptr) return HZ_ARGUMENTS;
  // A handle of the reading kind would be served here; none exists.
  return HZ_WRONG_MODE;
}

}  // namespace

unsigned long FindZipItemA(HZIP archive, const wchar_t*, bool, int*, ZIPENTRY*) {
  return CheckReadingHandle(archive);
}

unsigned long FindZipItemW(HZIP archive, const wchar_t*, bool, int*, ZIPENTRYW*) {
  return CheckReadingHandle(archive);
}

unsigned long GetZipItemA(HZIP archive, int, ZIPENTRY*) { return CheckReadingHandle(archive); }

unsigned long GetZipItemW(HZIP archive, int, ZIPENTRYW*) { return CheckReadingHandle(archive); }

unsigned long UnzipItem(HZIP archive, int, void*, unsigned int, unsigned long) {
  return CheckReadingHandle(archive);
}
