#include "sap/rfc_library_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

/// A loader of the classic library at |path|.
DynamicRfcLibraryLoader LoaderFor(const std::string& path) {
  RfcLibraryCandidate candidate = ClassicRfcLibraryCandidate();
  candidate.fileName = path;
  return DynamicRfcLibraryLoader({candidate});
}

class RfcLibraryLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        fs::temp_directory_path() /
        ("brindlemark-loader-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  fs::path directory_;
};

TEST_F(RfcLibraryLoaderTest, MissingFilesAreNotFoundOtherFilesCannotBeLoaded) {
  fs::path missing = directory_ / "librfccm.so";
  fs::path folder = directory_ / "folder" / "librfccm.so";
  fs::create_directories(folder);
  for (const fs::path& path : {missing, folder}) {
    SCOPED_TRACE(path.string());
    DynamicRfcLibraryLoader loader = LoaderFor(path.string());
    Status message;
    EXPECT_EQ(loader.Get(&message), nullptr);
    EXPECT_EQ(message.text(), "Error 1010: RFC-Library " + path.string() + " not found !");
    // The failure is kept: the same message again, no second attempt.
    Status again;
    EXPECT_EQ(loader.Get(&again), nullptr);
    EXPECT_EQ(again.text(), message.text());
    ASSERT_EQ(loader.Attempts().size(), 1u);
    EXPECT_EQ(loader.Attempts()[0].result, "not there");
  }

  // A file that is there but no library: the loader's own reason, one line.
  fs::path text = directory_ / "text" / "librfccm.so";
  fs::create_directories(text.parent_path());
  std::ofstream(text) << "not a library\n";
  DynamicRfcLibraryLoader loader = LoaderFor(text.string());
  Status message;
  EXPECT_EQ(loader.Get(&message), nullptr);
  std::string lead = "Error 1010: RFC-Library " + text.string() + " could not be loaded ! - ";
  ASSERT_EQ(message.text().compare(0, lead.size(), lead), 0) << message.text();
  EXPECT_GT(message.text().size(), lead.size());
  EXPECT_EQ(message.text().find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(loader.Attempts()[0].result,
            "could not be loaded: " + message.text().substr(lead.size()));
}

TEST_F(RfcLibraryLoaderTest, PlainNameNotFoundAnywhere) {
  RfcLibraryCandidate candidate = ClassicRfcLibraryCandidate();
  candidate.fileName = "librfc-no-such-library.so";
  DynamicRfcLibraryLoader loader({candidate});
  Status message;
  EXPECT_EQ(loader.Get(&message), nullptr);
  EXPECT_EQ(message.text(), "Error 1010: RFC-Library librfc-no-such-library.so not found !");
}

#ifndef _WIN32
TEST_F(RfcLibraryLoaderTest, LibraryLackingAFunction) {
  DynamicRfcLibraryLoader loader = LoaderFor(BRINDLEMARK_PARTIAL_RFC_LIBRARY);
  Status message;
  EXPECT_EQ(loader.Get(&message), nullptr);
  EXPECT_EQ(message.text(), std::string("Error 1010: RFC-Library ") +
                                BRINDLEMARK_PARTIAL_RFC_LIBRARY + " lacks RfcOpenEx !");
}

TEST_F(RfcLibraryLoaderTest, LaterCandidateStandsInAndLackingOneIsReported) {
  RfcLibraryCandidate partial = ClassicRfcLibraryCandidate();
  partial.fileName = BRINDLEMARK_PARTIAL_RFC_LIBRARY;
  RfcLibraryCandidate missing = ClassicRfcLibraryCandidate();
  missing.fileName = (directory_ / "librfccm.so").string();
  RfcLibraryCandidate standIn = ClassicRfcLibraryCandidate();
  standIn.fileName = BRINDLEMARK_STAND_IN_RFC_LIBRARY;

  Status message;
  DynamicRfcLibraryLoader found({missing, partial, standIn});
  EXPECT_NE(found.Get(&message), nullptr);

  // Neither loads: the one that was found but lacks a function is named.
  DynamicRfcLibraryLoader lacking({missing, partial});
  EXPECT_EQ(lacking.Get(&message), nullptr);
  EXPECT_EQ(message.code(), Status::Code::kLibrary);
  EXPECT_NE(message.text().find(" lacks RfcOpenEx !"), std::string::npos) << message.text();
}

// The stand-in library through the adapter: records go in and out of the
// C interface intact. The stand-in works in the current directory, which
// holds no SapSim.json here, so no logon succeeds.
TEST_F(RfcLibraryLoaderTest, StandInThroughTheAdapter) {
  DynamicRfcLibraryLoader loader = LoaderFor(BRINDLEMARK_STAND_IN_RFC_LIBRARY);
  Status message;
  RfcClient* rfc = loader.Get(&message);
  ASSERT_NE(rfc, nullptr) << message.text();

  fs::path previous = fs::current_path();
  fs::current_path(directory_);
  EXPECT_EQ(rfc->OpenDestination({"PRD", "100", "A", "B", "E"}), 0u);
  LibraryTexts last = rfc->LastError();
  EXPECT_EQ(last.key, "RFC_ERROR_PROGRAM");
  EXPECT_NE(last.message.find("SapSim.json"), std::string::npos) << last.message;

  // A call on no connection: its table is created, its row described and
  // the table given back after the failed call.
  RowType pair{"PAIR", {CharField("A", 3), IntField("B")}};
  FunctionCall call("RFC_SYSTEM_INFO");
  call.AddTable("ROWS", pair);
  Outcome outcome = rfc->Invoke(7, call);
  EXPECT_EQ(outcome.Message(), "Error 1014: RFC-Failure raised !");
  EXPECT_FALSE(call.answered());
  fs::current_path(previous);
}
// Without a classic library the NetWeaver library is loaded; the message
// of a failure names both.
TEST_F(RfcLibraryLoaderTest, FallsBackToTheNetWeaverLibrary) {
  RfcLibraryCandidate classic = ClassicRfcLibraryCandidate();
  classic.fileName = (directory_ / "librfccm.so").string();
  RfcLibraryCandidate netweaver = NetWeaverRfcLibraryCandidate();
  netweaver.fileName = BRINDLEMARK_NETWEAVER_STAND_IN_RFC_LIBRARY;
  DynamicRfcLibraryLoader loader({classic, netweaver});
  Status message;
  RfcClient* rfc = loader.Get(&message);
  ASSERT_NE(rfc, nullptr) << message.text();
  // R/2 systems are refused by the NetWeaver adapter itself.
  LogonData r2;
  r2.destination = "R2P";
  r2.r2 = true;
  r2.gatewayHost = "gw01";
  r2.client = "001";
  r2.user = "R2MON";
  r2.password = "pw";
  r2.language = "D";
  fs::path previous = fs::current_path();
  fs::current_path(directory_);  // for the trace file
  EXPECT_EQ(rfc->Open(r2), 0u);
  fs::current_path(previous);
  EXPECT_NE(rfc->LastError().message.find("R/2"), std::string::npos);

  netweaver.fileName = (directory_ / "libsapnwrfc.so").string();
  DynamicRfcLibraryLoader none({classic, netweaver});
  EXPECT_EQ(none.Get(&message), nullptr);
  EXPECT_EQ(message.text(), "Error 1010: RFC-Library " + classic.fileName + " or " +
                                netweaver.fileName + " not found !");

  // The classic stand-in taken for a NetWeaver library lacks its functions.
  netweaver.fileName = BRINDLEMARK_STAND_IN_RFC_LIBRARY;
  DynamicRfcLibraryLoader wrong({netweaver});
  EXPECT_EQ(wrong.Get(&message), nullptr);
  EXPECT_EQ(message.text(), std::string("Error 1010: RFC-Library ") +
                                BRINDLEMARK_STAND_IN_RFC_LIBRARY + " lacks RfcOpenConnection !");
}

// Placement decides before kind: a NetWeaver library in the first place
// wins over a classic one found only in a later place.
TEST_F(RfcLibraryLoaderTest, PlacementDecidesBeforeKind) {
  fs::path first = directory_ / "first", later = directory_ / "later";
  fs::create_directories(first);
  fs::create_directories(later);
  fs::copy_file(BRINDLEMARK_NETWEAVER_STAND_IN_RFC_LIBRARY, first / "libsapnwrfc.so");
  fs::copy_file(BRINDLEMARK_STAND_IN_RFC_LIBRARY, later / "librfccm.so");
  DynamicRfcLibraryLoader loader(
      {ClassicRfcLibraryCandidate(), NetWeaverRfcLibraryCandidate()},
      RfcLibraryPlaces{{first.string() + "/", later.string() + "/"}, false});
  Status message;
  ASSERT_NE(loader.Get(&message), nullptr) << message.text();
  ASSERT_EQ(loader.Attempts().size(), 2u);
  EXPECT_EQ(loader.Attempts()[0].fileName, "librfccm.so");
  EXPECT_EQ(loader.Attempts()[0].result, "not there");
  EXPECT_EQ(loader.Attempts()[1].where, (first / "libsapnwrfc.so").string());
  EXPECT_EQ(loader.Attempts()[1].result, "loaded");

  // The system's search never looks in the working directory.
  fs::path previous = fs::current_path();
  fs::current_path(later);
  RfcLibraryCandidate planted = ClassicRfcLibraryCandidate();
  planted.fileName = "librfccm.so";
  DynamicRfcLibraryLoader search({planted}, RfcLibraryPlaces{{}, true});
  EXPECT_EQ(search.Get(&message), nullptr);
  fs::current_path(previous);
  EXPECT_EQ(message.text(), "Error 1010: RFC-Library librfccm.so not found !");
  ASSERT_EQ(search.Attempts().size(), 1u);
  EXPECT_EQ(search.Attempts()[0].where, "the system's search path");
}
#endif

}  // namespace
