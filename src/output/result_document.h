#ifndef BRINDLEMARK_OUTPUT_RESULT_DOCUMENT_H_
#define BRINDLEMARK_OUTPUT_RESULT_DOCUMENT_H_

#include <string>
#include <string_view>

/// The monitor's result document (its EXE/XML format), built up as text and
/// printed by the run driver.
///
/// The writers lay down the fixed markup byte for byte. Every piece of
/// content they insert (channel names, values, units, texts, messages) is
/// made safe by XmlText (output/xml_text.h) and escaped: "&", "<" and ">"
/// become "&amp;", "&lt;" and "&gt;", so that the document always parses
/// as XML.
class ResultDocument {
 public:
  /// The longest channel name and channel value taken; longer ones are cut.
  static constexpr size_t kMaxChannelField = 123;

  /// Replaces the text by "\n<Prtg>\n".
  void OpenDocument() { text_ = "\n<Prtg>\n"; }
  /// Appends "\n<Text>".
  void OpenText() { text_ += "\n<Text>"; }
  /// Appends the content of a text element, escaped.
  void AppendText(std::string_view content) { AppendEscaped(content); }
  /// Appends "</Text>\n".
  void CloseText() { text_ += "</Text>\n"; }
  /// Appends one channel element; an empty unit gives no custom unit.
  void WriteChannel(std::string_view name, std::string_view value, std::string_view unit);
  /// Appends "\n</Prtg>\n".
  void CloseDocument() { text_ += "\n</Prtg>\n"; }
  /// Replaces the text by an error document that carries |message|.
  void WriteErrorDocument(std::string_view message);
  /// Appends the closing part of an error document ("<Error>1</Error>", the
  /// message and "</Prtg>") without a "<Prtg>" of its own: it ends a
  /// streamed document whose head was printed already.
  void WriteErrorTail(std::string_view message);

  /// Replaces the text by the document of a system that has no statistics
  /// for the day: a summary headed by |destination| with every counter 0
  /// and seven channels of value 0.
  void WriteNoDataDocument(std::string_view destination);

  void Clear() { text_.clear(); }
  const std::string& Text() const { return text_; }

 private:
  void AppendEscaped(std::string_view content);
  std::string text_;
};

#endif  // BRINDLEMARK_OUTPUT_RESULT_DOCUMENT_H_
