// The RFC library's trace file, read after a failure: the remark added to
// the error message is short, one line, and the file stays as it was.

#include <string>

#include "fuzz_check.h"
#include "output/trace_file_check.h"
#include "testing/virtual_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string contents(reinterpret_cast<const char*>(data), size);
  VirtualFileSystem disk;
  disk.Create(kTraceFileName, contents);
  std::string remark = TraceFileRemark(disk);
  FUZZ_CHECK(remark.rfind(" - ", 0) == 0);
  FUZZ_CHECK(remark.size() <= 3 + 87);
  FUZZ_CHECK(remark.find('\n') == std::string::npos);
  FUZZ_CHECK(remark != " - ");
  FUZZ_CHECK(disk.files.size() == 1 && disk.files[kTraceFileName] == contents);
  FUZZ_CHECK(disk.writes.empty());
  // The remark's text is a piece of the file.
  if (remark != " - Please Check Trace-File !")
    FUZZ_CHECK(contents.find(remark.substr(3)) != std::string::npos);
  return 0;
}
