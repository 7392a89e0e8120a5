// Loading the RFC library from its file: the classic library first, the
// NetWeaver library when there is no classic one. The stand-in libraries
// of the build take the places of the real ones.

#include "sap/rfc_library_loader.h"

#include <gtest/gtest.h>

namespace {

RfcLibraryCandidate At(const char* path, RfcLibraryCandidate kind) {
  kind.fileName = path;
  return kind;
}

TEST(RfcLibraryLoaderTest, FallsBackToTheNetWeaverLibrary) {
  DynamicRfcLibraryLoader loader(
      {At("/nonexistent/librfccm.so", ClassicRfcLibraryCandidate()),
       At(BRINDLEMARK_NETWEAVER_STANDIN, NetWeaverRfcLibraryCandidate())});
  std::string message;
  RfcLibrary* rfc = loader.Get(&message);
  ASSERT_NE(rfc, nullptr) << message;
  // An R/2 logon is refused by the NetWeaver adapter itself.
  RfcConnectR2 r2{"gw01", nullptr};
  RfcOptions options{"R2P", 1, &r2, "001", "R2MON", "pw", "D", 0};
  EXPECT_EQ(rfc->RfcOpen(options), 0u);
  RfcErrorInfo error;
  rfc->RfcLastError(&error);
  EXPECT_NE(std::string(error.message).find("R/2"), std::string::npos);
}

TEST(RfcLibraryLoaderTest, NamesTheMissingLibrariesOrTheLackingFunction) {
  std::string message;
  DynamicRfcLibraryLoader none({At("/nonexistent/librfccm.so", ClassicRfcLibraryCandidate()),
                                At("/nonexistent/libsapnwrfc.so",
                                   NetWeaverRfcLibraryCandidate())});
  EXPECT_EQ(none.Get(&message), nullptr);
  EXPECT_EQ(message, "Error 1010: RFC-Library /nonexistent/librfccm.so or "
                     "/nonexistent/libsapnwrfc.so not found !");

  // The classic stand-in taken for a NetWeaver library lacks its functions.
  DynamicRfcLibraryLoader wrong(
      {At(BRINDLEMARK_CLASSIC_STANDIN, NetWeaverRfcLibraryCandidate())});
  EXPECT_EQ(wrong.Get(&message), nullptr);
  EXPECT_EQ(message, std::string("Error 1010: RFC-Library ") + BRINDLEMARK_CLASSIC_STANDIN +
                         " lacks RfcOpenConnection !");
}

}  // namespace
