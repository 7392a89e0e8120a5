#include "output/result_document.h"

#include "output/xml_text.h"

void ResultDocument::AppendEscaped(std::string_view content) {
  // Whatever bytes came in, the document stays well-formed XML; ASCII text
  // without control bytes passes as it is.
  for (char c : XmlText(content)) {
    switch (c) {
      case '&': text_ += "&amp;"; break;
      case '<': text_ += "&lt;"; break;
      case '>': text_ += "&gt;"; break;
      default: text_ += c;
    }
  }
}

void ResultDocument::WriteChannel(std::string_view name, std::string_view value,
                                  std::string_view unit) {
  text_ += "\n<Result><Channel>";
  AppendEscaped(name.substr(0, kMaxChannelField));
  text_ += "</Channel>";
  if (!unit.empty()) {
    text_ += "\n<Unit>Custom</Unit>\n<CustomUnit>";
    AppendEscaped(unit);
    text_ += "</CustomUnit>";
  }
  text_ += "\n<Value>";
  AppendEscaped(value.substr(0, kMaxChannelField));
  text_ += "</Value></Result>\n";
}

void ResultDocument::WriteErrorDocument(std::string_view message) {
  text_ = "<Prtg>";
  WriteErrorTail(message);
}

void ResultDocument::WriteErrorTail(std::string_view message) {
  text_ += "\n<Error>1</Error>\n<Text>";
  AppendEscaped(message);
  text_ += "</Text>\n</Prtg>\n";
}

void ResultDocument::WriteNoDataDocument(std::string_view destination) {
  text_ = "\n<Prtg>\n\n<Text>";
  AppendEscaped(destination);
  text_ += " Summary: Step(s)=0, Dialog=0, Batch=0, Rsp-Time=0, CPU-Time=0 </Text>\n";
  for (const char* name :
       {"Steps", "Dialog", "Batch", "Response", "CPU-Time", "DBS-Time", "SUS-Time"})
    WriteChannel(name, "0", "");
  text_ += "\n</Prtg>\n";
}
