#include "sapsim/sim_description.h"

#include <gtest/gtest.h>

TEST(SimDescription, ReadsSystemsRowsAndFaults) {
  std::string error;
  auto d = ParseDescription(R"({
    // comments are allowed
    "journal": "j.log",
    "systems": [
      { "host": "PrdCI01", "sysnr": 0, "sysid": "PRD",
        "logon": {"client": "100", "user": "MONITOR", "password": "secret"},
        "statistics": {
          "20240305": [ {"client": "100", "account": "A", "steps": -2147483648,
                         "resp_time": -999999999999999, "cpu_time": "000000000000123C"},
                        {"client": "200", "account": "B", "steps": 2147483647} ],
          "20240306": [], "today": [ {"steps": 60} ] },
        "faults": { "GET_CPU_ALL": {"receive": 2, "exception": "X"},
                    "trace": ["t1"], "handler": {"function": "F", "text": "boom"} } },
      { "mode": "R/2", "gwhost": "gw01",
        "logon": {"client": "1", "user": "U", "password": "P"} } ] })",
                            &error);
  ASSERT_TRUE(d) << error;
  EXPECT_EQ("j.log", d->journal);
  const SimulatedSystem* prd = d->FindR3("prdci01", 0);
  ASSERT_TRUE(prd);
  EXPECT_FALSE(d->FindR3("prdci01", 1));
  EXPECT_EQ("PrdCI01", prd->rfchost);  // defaults to the host
  const auto& rows = prd->statistics.at("20240305");
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("A", rows[0].account);
  EXPECT_EQ(INT32_MIN, rows[0].integers[0]);
  EXPECT_EQ(-999999999999999, rows[0].packed[0]);
  EXPECT_EQ(0x4u, rows[0].raw_mask);  // cpu_time given as bytes
  EXPECT_EQ(0x123C, rows[0].packed[2]);
  EXPECT_EQ(INT32_MAX, rows[1].integers[0]);
  EXPECT_TRUE(prd->statistics.at("20240306").empty());
  EXPECT_EQ(60, prd->statistics.at("today")[0].integers[0]);
  EXPECT_EQ(2, *prd->faults.functions.at("GET_CPU_ALL").receive);
  EXPECT_EQ("boom", prd->faults.handler_text);
  EXPECT_TRUE(d->FindR2("GW01"));
  EXPECT_FALSE(d->FindR3("gw01", 0));
}

TEST(SimDescription, RefusesInvalidDescriptions) {
  const char* logon = R"("logon": {"client": "1", "user": "U", "password": "P"})";
  auto system = [&](const std::string& keys) {
    return std::string(R"({"systems": [{"host": "h", )") + logon + keys + "}]}";
  };
  const std::string bad[] = {
      "",
      "[]",
      "{\"systems\": 1}",
      "{\"unknown\": 1, \"systems\": []}",
      R"({"systems": [{"host": "h"}]})",  // no logon
      system(R"(, "sysnr": 100)"),
      system(R"(, "mode": "R/4")"),
      system(R"(, "statistics": {"2024-03-05": []})"),
      system(R"(, "statistics": {"20240305": [ {"steps": 2147483648} ]})"),
      system(R"(, "statistics": {"20240305": [ {"steps": 1.5} ]})"),
      system(R"(, "statistics": {"20240305": [ {"resp_time": 1000000000000000} ]})"),
      system(R"(, "statistics": {"20240305": [ {"resp_time": "12"} ]})"),
      system(R"(, "statistics": {"20240305": [ {"stepz": 1} ]})"),
      system(R"(, "statistics": {"20240305": [ 5 ]})"),
      system(R"(, "faults": {"GET_CPU_ALL": {"cal": 1}})"),
  };
  for (const std::string& text : bad) {
    std::string error;
    EXPECT_FALSE(ParseDescription(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}
