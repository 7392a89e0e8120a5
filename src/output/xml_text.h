#ifndef BRINDLEMARK_OUTPUT_XML_TEXT_H_
#define BRINDLEMARK_OUTPUT_XML_TEXT_H_

#include <string>
#include <string_view>

/// Makes |content| safe as the character data of an XML 1.0 document in
/// UTF-8, whatever bytes it holds (texts from SAP, profiles, file names):
///
/// - a NUL byte ends the text;
/// - any other control byte below 0x20 except tab, CR and LF becomes "?";
/// - well-formed UTF-8 (plain ASCII included) passes unchanged, except a
///   character XML 1.0 does not allow (U+FFFE, U+FFFF), which becomes "?";
/// - every byte that is not part of a well-formed UTF-8 sequence (overlong
///   forms, surrogates, values above U+10FFFF, cut-off sequences, stray
///   continuation bytes) is read as the Windows-1252 character it stands
///   for, the code page SAP texts of a Western system come in: 0x80-0x9F
///   as that code page's characters (its five unassigned bytes 0x81, 0x8D,
///   0x8F, 0x90 and 0x9D become "?": XML would take them as C1 controls,
///   which some readers refuse), 0xA0-0xFF as U+00A0-U+00FF.
///
/// Markup characters ("&", "<", ">") are left as they are; escaping them
/// is the document's job.
std::string XmlText(std::string_view content);

/// Appends XmlText(content) to |out|.
void AppendXmlText(std::string_view content, std::string* out);

#endif  // BRINDLEMARK_OUTPUT_XML_TEXT_H_
