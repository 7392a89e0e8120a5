// The result document: whatever the content, every document the writers
// build (and the head plus error tail of an item run) is well-formed XML.

#include <string>

#include "fuzz_check.h"
#include "output/result_document.h"
#include "xml_check.h"

namespace {

void CheckWellFormed(const std::string& document) {
  std::string why;
  if (!IsWellFormedXml(document, &why)) {
    std::fprintf(stderr, "malformed document (%s):\n%s\n", why.c_str(), document.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  ResultDocument document;
  unsigned char kind = input.Byte() % 3;
  if (kind == 0) {  // a single system's error document
    document.WriteErrorDocument(input.Rest());
    CheckWellFormed(document.Text());
    return 0;
  }
  document.OpenDocument();
  while (!input.Empty()) {
    if (input.Byte() % 2 == 0) {
      document.OpenText();
      document.AppendText(input.Text());
      document.AppendText(input.Text());
      document.CloseText();
    } else {
      std::string_view name = input.Text();
      std::string_view value = input.Text();
      document.WriteChannel(name, value, input.Text());
    }
  }
  if (kind == 1) {
    document.CloseDocument();
    CheckWellFormed(document.Text());
  } else {  // an item run that fails after printing its head
    std::string head = document.Text();
    std::string message = head;  // any text can become the message
    document.Clear();
    document.WriteErrorTail(message);
    CheckWellFormed(head + document.Text());
  }
  return 0;
}
