#ifndef BRINDLEMARK_PLATFORM_TEMPORARY_NAME_H_
#define BRINDLEMARK_PLATFORM_TEMPORARY_NAME_H_

#include <cstdint>
#include <string>
#include <string_view>

/// The longest file name the file systems take (bytes on POSIX; UTF-16
/// units, never more than bytes, on Windows).
inline constexpr size_t kMaxFileNameLength = 255;

/// The part of a temporary name taken from |fileName|: the name itself, or
/// for a name too long to leave room for the rest of the temporary name
/// its beginning, cut before a UTF-8 character rather than inside one.
std::string_view TemporaryNameStem(std::string_view fileName);

/// The name of a temporary file that replaces the file |fileName| (a name
/// without directory): "<stem>.brindlemark-<process>-<random>.tmp", the
/// stem from TemporaryNameStem, the 32-bit process id in decimal and
/// |random| as eight hexadecimal digits; never longer than
/// kMaxFileNameLength.
std::string TemporaryName(std::string_view fileName, unsigned long process, std::uint32_t random);

/// Whether |name| has the form TemporaryName gives for |fileName| (whose
/// stem a long name shares with others that begin alike). Letter
/// case counts only where |caseMatters| (the file system's own rule).
bool IsTemporaryNameOf(std::string_view name, std::string_view fileName, bool caseMatters);

#endif  // BRINDLEMARK_PLATFORM_TEMPORARY_NAME_H_
