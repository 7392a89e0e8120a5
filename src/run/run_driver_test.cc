// A probe without an RFC library: the library is looked for only when the
// first logon needs it, and its absence ends the run with a well-formed
// document.

#include "run/run_driver.h"

#include <gtest/gtest.h>

#include "sap/stored_password.h"
#include "testing/test_run.h"

namespace {

const char kNotFound[] = "Error 1010: RFC-Library librfccm.so not found !";

std::string Profile(const std::string& destination) {
  std::string stored;
  EXPECT_EQ(ScramblePassword("Geheim99", 1, &stored), ScrambleResult::kOk);
  return "Extcompany.: ACME\nDestination: " + destination +
         "\nClient.....: 100\nUser.......: MONITOR\nPassword...: " + stored +
         "\nLanguage...: E\nMode.......: R/3\nHostname...: sapprd\nSysnr......: 00\n"
         "Gwhost.....: sapprd\nGwservice..: sapgw00\n";
}

int Execute(TestRun& t, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "brindlemark");
  return ExecuteRun(t.run, arguments);
}

TEST(RunDriverTest, WithoutTheLibraryASingleSystemRunEndsWithError1010) {
  TestRun t;
  t.disk.Create("PRD.P00", Profile("PRD"));
  EXPECT_EQ(Execute(t, {"PRD"}), 2);
  EXPECT_EQ(t.console.output,
            std::string("<Prtg>\n<Error>1</Error>\n<Text>") + kNotFound + "</Text>\n</Prtg>\n");
  EXPECT_EQ(t.disk.files["PRD.P00"], Profile("PRD"));  // no history written

  // Runs that end before a logon never look for the library.
  TestRun early;
  early.disk.Create("BAD.P00", "Client.....: 100\n");
  EXPECT_EQ(Execute(early, {}), 2);
  EXPECT_EQ(Execute(early, {"MISSING"}), 2);
  EXPECT_EQ(Execute(early, {"BAD"}), 2);
  EXPECT_EQ(early.loader.loads, 0);
  EXPECT_EQ(early.console.output.find("1010"), std::string::npos);
}

TEST(RunDriverTest, WithoutTheLibraryAnItemRunClosesItsDocument) {
  TestRun t;
  t.disk.Create("Tessaron.Prf", "# Gsng: DIALOGS   ##A.P00#B.P00#\n");
  t.disk.Create("A.P00", "Client.....: 100\n");  // faulty: not logged on
  t.disk.Create("B.P00", Profile("BBB"));
  EXPECT_EQ(Execute(t, {"X", "ITEM=Dialog"}), 2);
  EXPECT_EQ(t.console.output, std::string("\n<Prtg>\n\n\n<Error>1</Error>\n<Text>") + kNotFound +
                                  "</Text>\n</Prtg>\n");
  EXPECT_EQ(t.loader.loads, 1);
}

}  // namespace
