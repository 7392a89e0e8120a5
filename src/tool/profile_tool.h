#ifndef BRINDLEMARK_TOOL_PROFILE_TOOL_H_
#define BRINDLEMARK_TOOL_PROFILE_TOOL_H_

#include <string>
#include <string_view>
#include <vector>

struct FileSystem;

/// The profile tool with which administrators write system profiles:
///   scramble [--offset N] PASSWORD   the stored form of a password
///   new --destination D --client C --user U --password P [...]
///                                    a complete profile
///   check PROFILE                    reads a profile as the sensor does
/// |args| are the arguments after the program name. What the tool prints
/// goes to |out|, its own error messages to |err|; returns the exit code:
/// 0 on success, 2 on any error (and for a profile that check rejects).
int RunProfileTool(const std::vector<std::string>& args, std::string* out, std::string* err,
                   FileSystem& disk);

/// The name of a profile as the sensor's messages show it: |path| without
/// its directory (and without a drive letter).
std::string ProfileNameOfPath(std::string_view path);

#endif  // BRINDLEMARK_TOOL_PROFILE_TOOL_H_
