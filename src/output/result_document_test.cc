#include "output/result_document.h"

#include <gtest/gtest.h>

TEST(ResultDocumentTest, DocumentBytes) {
  ResultDocument doc;
  doc.WriteErrorDocument("leftover");
  doc.OpenDocument();  // discards what was there
  doc.OpenText();
  doc.AppendText("(A&B) <x>");
  doc.CloseText();
  doc.WriteChannel("Step(s)", "1234", "");
  doc.WriteChannel("R&D <1>", "5>4", "m<s");
  doc.WriteChannel(std::string(130, 'n'), std::string(200, '9'), "");  // cut before escaping
  doc.WriteChannel("", "", "");
  doc.CloseDocument();
  EXPECT_EQ(doc.Text(),
            "\n<Prtg>\n"
            "\n<Text>(A&amp;B) &lt;x&gt;</Text>\n"
            "\n<Result><Channel>Step(s)</Channel>\n<Value>1234</Value></Result>\n"
            "\n<Result><Channel>R&amp;D &lt;1&gt;</Channel>\n"
            "<Unit>Custom</Unit>\n<CustomUnit>m&lt;s</CustomUnit>\n"
            "<Value>5&gt;4</Value></Result>\n"
            "\n<Result><Channel>" +
                std::string(123, 'n') + "</Channel>\n<Value>" + std::string(123, '9') +
                "</Value></Result>\n"
                "\n<Result><Channel></Channel>\n<Value></Value></Result>\n"
                "\n</Prtg>\n");
}

// The error tail after a printed head is shown by item-clock-failure-ends-run.
TEST(ResultDocumentTest, ErrorDocuments) {
  ResultDocument doc;
  doc.OpenDocument();
  doc.WriteChannel("x", "1", "");
  doc.WriteErrorDocument("Error 1012: Exception.: A&B");  // replaces what was built
  EXPECT_EQ(doc.Text(),
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1012: Exception.: A&amp;B</Text>\n</Prtg>\n");
}
