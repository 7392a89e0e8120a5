#ifndef BRINDLEMARK_SAP_CLASSIC_RFC_LIBRARY_H_
#define BRINDLEMARK_SAP_CLASSIC_RFC_LIBRARY_H_

#include <memory>
#include <string>

#include "platform/shared_library.h"
#include "sap/classic_rfc_api.h"
#include "sap/rfc_library.h"

/// The functions of the classic RFC library that the sensor calls.
struct ClassicRfcFunctions {
  classic_rfc::RfcEnvironmentFunction rfcEnvironment;
  classic_rfc::RfcOpenFunction rfcOpen;
  classic_rfc::RfcOpenExFunction rfcOpenEx;
  classic_rfc::RfcInstallStructureFunction rfcInstallStructure;
  classic_rfc::RfcCallFunction rfcCall;
  classic_rfc::RfcReceiveFunction rfcReceive;
  classic_rfc::RfcLastErrorFunction rfcLastError;
  classic_rfc::RfcCloseFunction rfcClose;
  classic_rfc::ItCreateFunction itCreate;
  classic_rfc::ItFillFunction itFill;
  classic_rfc::ItGetLineFunction itGetLine;
  classic_rfc::ItDeleteFunction itDelete;
};

/// The sensor's RFC library over a loaded classic RFC library: every call
/// converts the sensor's records to the library's and back.
class ClassicRfcLibrary : public RfcLibrary {
 public:
  /// Takes over |library| when it exports every function the sensor
  /// calls; otherwise null with |missing| set to the name of the first
  /// function it lacks.
  static std::unique_ptr<ClassicRfcLibrary> Open(std::unique_ptr<SharedLibrary> library,
                                                 std::string* missing);
  ~ClassicRfcLibrary() override;

  void RfcEnvironment(const RfcEnvironmentRecord& environment) override;
  RfcHandle RfcOpen(const RfcOptions& options) override;
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override;
  /// Sets RFC_INI in the process's environment to |path|.
  void UseDestinationFile(const std::string& path) override;
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
  /// "dev_rfc", which SAP documents as the library's trace file in the
  /// working directory.
  std::vector<std::string> TraceFileNames() const override { return {"dev_rfc"}; }
  std::string LibraryKind() const override { return "classic"; }
  /// The file version of the library's version resource (Windows).
  std::string LibraryVersion() const override { return library_->FileVersion(); }

  /// Hands the library's error text to the installed handler.
  void ReportError(const char* text) const;

 private:
  ClassicRfcLibrary(std::unique_ptr<SharedLibrary> library, const ClassicRfcFunctions& functions);

  std::unique_ptr<SharedLibrary> library_;
  ClassicRfcFunctions functions_;
  RfcEnvironmentRecord environment_{};
};

#endif  // BRINDLEMARK_SAP_CLASSIC_RFC_LIBRARY_H_
