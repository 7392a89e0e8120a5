#include "output/result_document.h"

#include <gtest/gtest.h>

TEST(ResultDocumentTest, NormalDocumentBytes) {
  ResultDocument doc;
  doc.Append("leftover");
  doc.OpenDocument();  // discards what was there
  doc.OpenText();
  doc.AppendText("abc");
  doc.CloseText();
  doc.WriteChannel("Step(s)", "1234", "");
  doc.WriteChannel("Rsp Time", "250", "mSec");
  doc.CloseDocument();
  EXPECT_EQ(doc.Text(),
            "\n<Prtg>\n"
            "\n<Text>abc</Text>\n"
            "\n<Result><Channel>Step(s)</Channel>\n"
            "<Value>1234</Value></Result>\n"
            "\n<Result><Channel>Rsp Time</Channel>\n"
            "<Unit>Custom</Unit>\n"
            "<CustomUnit>mSec</CustomUnit>\n"
            "<Value>250</Value></Result>\n"
            "\n</Prtg>\n");
}

TEST(ResultDocumentTest, ErrorDocumentReplacesHalfBuiltDocument) {
  ResultDocument doc;
  doc.OpenDocument();
  doc.WriteChannel("x", "1", "");
  doc.WriteErrorDocument("Error 1014: RFC-Failure raised !");
  EXPECT_EQ(doc.Text(),
            "<Prtg>\n<Error>1</Error>\n"
            "<Text>Error 1014: RFC-Failure raised !</Text>\n</Prtg>\n");
  doc.WriteErrorDocument("");
  EXPECT_EQ(doc.Text(), "<Prtg>\n<Error>1</Error>\n<Text></Text>\n</Prtg>\n");
}

TEST(ResultDocumentTest, ContentIsEscapedMarkupIsNot) {
  ResultDocument doc;
  doc.OpenDocument();
  doc.OpenText();
  doc.AppendText("(A&B) <x>");
  doc.CloseText();
  doc.WriteChannel("R&D <1>", "5>4", "m<s");
  EXPECT_EQ(doc.Text(),
            "\n<Prtg>\n\n<Text>(A&amp;B) &lt;x&gt;</Text>\n"
            "\n<Result><Channel>R&amp;D &lt;1&gt;</Channel>\n"
            "<Unit>Custom</Unit>\n<CustomUnit>m&lt;s</CustomUnit>\n"
            "<Value>5&gt;4</Value></Result>\n");
  doc.WriteErrorDocument("Error 1012: Exception.: A&B");
  EXPECT_NE(doc.Text().find("<Text>Error 1012: Exception.: A&amp;B</Text>"),
            std::string::npos);
}

TEST(ResultDocumentTest, ChannelNameAndValueAreCutBeforeEscaping) {
  ResultDocument doc;
  std::string name(130, 'n');
  std::string value(200, '9');
  doc.WriteChannel(name, value, "");
  EXPECT_EQ(doc.Text(), "\n<Result><Channel>" + std::string(123, 'n') +
                            "</Channel>\n<Value>" + std::string(123, '9') +
                            "</Value></Result>\n");
  doc.Clear();
  doc.WriteChannel("", "", "");
  EXPECT_EQ(doc.Text(), "\n<Result><Channel></Channel>\n<Value></Value></Result>\n");
}

TEST(ResultDocumentTest, ErrorTailClosesAnOpenStreamedDocument) {
  ResultDocument doc;
  doc.WriteErrorTail("Error 1014: RFC-Failure raised ! - Look for Trace-File");
  EXPECT_EQ(doc.Text(),
            "\n<Error>1</Error>\n<Text>Error 1014: RFC-Failure raised ! - Look for "
            "Trace-File</Text>\n</Prtg>\n");
}
