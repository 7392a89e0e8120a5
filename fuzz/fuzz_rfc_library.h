#ifndef BRINDLEMARK_FUZZ_FUZZ_RFC_LIBRARY_H_
#define BRINDLEMARK_FUZZ_FUZZ_RFC_LIBRARY_H_

#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "sap/rfc_library.h"

/// An RFC library whose every answer is taken from the fuzzer's input:
/// logons succeed or fail, calls return any result code or exception, and
/// the importing values and table lines are pieces of the input laid over
/// well-formed records. Its internal tables are its own. It never calls
/// the error handler (the sensor's handler ends the process).
class FuzzRfcLibrary : public RfcLibrary {
 public:
  explicit FuzzRfcLibrary(FuzzInput& input) : input_(input) {}
  ~FuzzRfcLibrary() override;

  void RfcEnvironment(const RfcEnvironmentRecord& environment) override;
  RfcHandle RfcOpen(const RfcOptions& options) override;
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override;
  int RfcInstallStructure(const char* name, const FieldDescriptor* fields, unsigned entries,
                          RfcType* handle) override;
  int RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
              RfcTable* tables) override;
  int RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                 char** exception) override;
  int RfcLastError(RfcErrorInfo* error) override;
  void RfcClose(RfcHandle handle) override;
  ItHandle ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) override;
  unsigned ItFill(ItHandle table) override;
  void* ItGetLine(ItHandle table, unsigned line) override;
  int ItDelete(ItHandle table) override;

  /// Tables created and not deleted.
  size_t LiveTables() const { return tables_.size(); }

 private:
  struct Table {
    std::string name;
    unsigned leng = 0;
    std::vector<std::string> lines;
  };

  /// Whether the next answer is a failure: about one in |odds|.
  bool Fails(unsigned odds) { return input_.Byte() % odds == odds - 1; }
  Table* Find(ItHandle handle);
  /// A line of |table| for the call |function_|: a well-formed record with
  /// a piece of the input laid over it.
  std::string MakeLine(const Table& table);
  void FillValue(const RfcParameter& parameter);
  static void PutText(std::string_view text, char* field, size_t size);

  FuzzInput& input_;
  std::string function_;
  std::string exception_;
  std::vector<std::unique_ptr<Table>> tables_;
  RfcHandle nextHandle_ = 1;
};

#endif  // BRINDLEMARK_FUZZ_FUZZ_RFC_LIBRARY_H_
