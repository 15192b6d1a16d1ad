// The deflate level of the files inside the workbook's zip container.
//
// libxlsxwriter 1.1.4 deflates every file of the workbook at zlib's default level and
// offers no setting for it. On a large export that deflate is the single biggest cost:
// 122 MB of sheet XML take about 1.4 s at the default level and under 0.5 s at
// Z_BEST_SPEED, for a file about a third larger. libxlsxwriter opens each of them through
// minizip's zipOpenNewFileInZip4_64, which it calls through the dynamic linker; the
// definition below is the program's own, so it is found before minizip's, and it hands
// every call on to minizip's unchanged except for the level. Nothing else in the program
// uses minizip. When minizip's function cannot be found the file cannot be added, and the
// export reports that libxlsxwriter could not write the workbook.
#include <dlfcn.h>
#include <zip.h>
#include <zlib.h>

namespace {

using OpenEntry = decltype(&zipOpenNewFileInZip4_64);

OpenEntry MinizipOpenEntry() {
  static const OpenEntry next =
      reinterpret_cast<OpenEntry>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
  return next;
}

}  // namespace

extern "C" int zipOpenNewFileInZip4_64(zipFile file, const char* filename,
                                       const zip_fileinfo* zipfi, const void* extrafield_local,
                                       uInt size_extrafield_local, const void* extrafield_global,
                                       uInt size_extrafield_global, const char* comment, int method,
                                       int level, int raw, int windowBits, int memLevel,
                                       int strategy, const char* password, uLong crcForCrypting,
                                       uLong versionMadeBy, uLong flagBase, int zip64) {
  const OpenEntry next = MinizipOpenEntry();
  if (next == nullptr) return ZIP_INTERNALERROR;
  if (method == Z_DEFLATED && level != 0) level = Z_BEST_SPEED;
  return next(file, filename, zipfi, extrafield_local, size_extrafield_local, extrafield_global,
              size_extrafield_global, comment, method, level, raw, windowBits, memLevel, strategy,
              password, crcForCrypting, versionMadeBy, flagBase, zip64);
}
