#ifndef BRINDLEMARK_PLATFORM_TEMPORARY_NAME_H_
#define BRINDLEMARK_PLATFORM_TEMPORARY_NAME_H_

#include <cstdint>
#include <string>
#include <string_view>

/// The name of a temporary file that replaces the file |fileName| (a name
/// without directory): "<fileName>.brindlemark-<process>-<random>.tmp",
/// process id in decimal and |random| as eight hexadecimal digits.
std::string TemporaryName(std::string_view fileName, unsigned long process, std::uint32_t random);

/// Whether |name| has the form TemporaryName gives for |fileName|. Letter
/// case counts only where |caseMatters| (the file system's own rule).
bool IsTemporaryNameOf(std::string_view name, std::string_view fileName, bool caseMatters);

#endif  // BRINDLEMARK_PLATFORM_TEMPORARY_NAME_H_
